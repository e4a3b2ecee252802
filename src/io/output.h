// Where the output file's lines go. A line is built up with put and handed on
// whole by endLine, which is also the flush: every line is written at once.
#pragma once

#include <cassert>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class LineOutput {
 public:
  LineOutput() = default;
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;
  virtual ~LineOutput() = default;

  void put(std::string_view text) { line_.append(text); }
  void put(char c) { line_.push_back(c); }
  void putInt(std::int64_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    line_.append(digits, end);
  }
  // Ends the current line with a newline and delivers it.
  void endLine() {
    line_.push_back('\n');
    deliver(line_);
    line_.clear();
  }
  void writeLine(std::string_view text) {
    put(text);
    endLine();
  }
  // The same as writeLine of lineAndNewline without its last character,
  // which must be a newline; the text is handed on without being copied.
  // Nothing may have been put since the last endLine.
  void writeWholeLine(std::string_view lineAndNewline) {
    assert(line_.empty());
    deliver(lineAndNewline);
  }
  // Makes room for a line of length characters and its newline, so that
  // building lines up to there allocates nothing.
  void reserveLine(std::size_t length) { line_.reserve(length + 1); }
  // Drops what was put since the last endLine.
  void discardLine() { line_.clear(); }

 protected:
  virtual void deliver(std::string_view line) = 0;

 private:
  std::string line_;
};

// Collects the output in memory.
class StringOutput : public LineOutput {
 public:
  const std::string& text() const { return text_; }

 protected:
  void deliver(std::string_view line) override { text_.append(line); }

 private:
  std::string text_;
};

// Writes to a file opened by the caller, one write and flush per line. A
// failed write is remembered; close reports whether everything arrived.
class FileOutput : public LineOutput {
 public:
  // The stream is made unbuffered: each line then goes out in one write of
  // its own, which is the flush, without being copied through a buffer.
  explicit FileOutput(std::FILE* file) : file_(file) { std::setvbuf(file_, nullptr, _IONBF, 0); }
  ~FileOutput() override;

  // Closes the file; false if any write, flush or the close itself failed.
  bool close();

 protected:
  void deliver(std::string_view line) override;

 private:
  std::FILE* file_;
  bool failed_ = false;
};
