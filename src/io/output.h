// Where the output file's lines go. A line is built up with put and handed on
// whole by endLine, which is also the flush: every line is written at once.
#pragma once

#include <charconv>
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
  explicit FileOutput(std::FILE* file) : file_(file) {}
  ~FileOutput() override;

  // Closes the file; false if any write, flush or the close itself failed.
  bool close();

 protected:
  void deliver(std::string_view line) override;

 private:
  std::FILE* file_;
  bool failed_ = false;
};
