// The input file read a line at a time.
#pragma once

#include <cstddef>
#include <string_view>

#include "io/output.h"

// Hands out the input's lines the way a line-by-line text read does: a final
// newline gives one more, empty line, and a carriage return that ends a line
// is dropped so that CRLF files read like LF files. A UTF-8 byte-order mark
// that opens the text, as editors on Windows write it, is dropped before the
// first line; anywhere else its bytes are ordinary characters.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text_.starts_with(kByteOrderMark)) text_.remove_prefix(kByteOrderMark.size());
  }

  // True once a read has run into the end of the text.
  bool atEnd() const { return atEnd_; }

  std::string_view readLine() {
    ++lines_;
    std::string_view line;
    const std::size_t newline = text_.find('\n', pos_);
    if (newline == std::string_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      atEnd_ = true;
    } else {
      line = text_.substr(pos_, newline - pos_);
      pos_ = newline + 1;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  // The number, from 1, of the line readLine returned last.
  std::size_t lastLineNumber() const { return lines_; }

  // Echoes a line that readLine returned, straight from the text when a
  // newline follows it there.
  void echo(std::string_view line, LineOutput& out) const {
    const std::size_t end = static_cast<std::size_t>(line.data() - text_.data()) + line.size();
    if (end < text_.size() && text_[end] == '\n') {
      out.writeWholeLine(text_.substr(end - line.size(), line.size() + 1));
    } else {
      out.writeLine(line);
    }
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t lines_ = 0;
  bool atEnd_ = false;
};
