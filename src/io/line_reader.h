// The input file's lines, one at a time, from a text in memory or straight
// from a file read in pieces: only the piece holding the current line is kept.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "io/output.h"

// Hands out the input's lines the way a line-by-line text read does: a final
// newline gives one more, empty line, and a carriage return that ends a line
// is dropped so that CRLF files read like LF files. A UTF-8 byte-order mark
// that opens the text, as editors on Windows write it, is dropped before the
// first line; anywhere else its bytes are ordinary characters.
class LineReader {
 public:
  // Reads text, which must outlive the reader.
  explicit LineReader(std::string_view text);
  // Reads file, opened by the caller, from its current position in pieces;
  // the first piece is read here. The caller closes the file.
  explicit LineReader(std::FILE* file);

  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader() = default;

  // True once a read has run into the end of the text.
  bool atEnd() const { return atEnd_; }
  // True once reading the file failed; the text then ends where it failed.
  bool failed() const { return failed_; }

  // The next line, without its line end. Valid until the next readLine.
  std::string_view readLine();

  // The number, from 1, of the line readLine returned last.
  std::size_t lastLineNumber() const { return lineNumber_; }

  // Echoes a line that readLine returned last: the line and a newline, in
  // one delivery, straight from the text where a newline follows it there.
  void echo(std::string_view line, LineOutput& out) const;

 private:
  // Keeps the unread bytes, reads what follows them from the file, and
  // notes the end of the file or a failed read.
  void fill();
  void dropByteOrderMark();

  std::FILE* file_ = nullptr;
  std::string buffer_;     // a file's unread bytes and the current line
  std::string_view text_;  // the bytes at hand: all the text, or buffer_'s
  std::size_t pos_ = 0;    // the first unread byte of text_
  bool complete_ = true;   // text_ runs to the end of the input
  bool atEnd_ = false;
  bool failed_ = false;
  std::size_t lineNumber_ = 0;
};
