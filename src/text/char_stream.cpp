#include "text/char_stream.h"

#include "text/chars.h"

namespace {

// The whitespace of the "C" locale.
bool isWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool CharStream::skipWhitespace() {
  if (spent_) return false;
  while (pos_ < text_.size() && isWhitespace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) {
    spent_ = true;
    return false;
  }
  return true;
}

bool CharStream::readInt(std::int32_t& n) {
  if (!skipWhitespace()) return false;
  bool negative = false;
  if (text_[pos_] == '+' || text_[pos_] == '-') {
    negative = text_[pos_] == '-';
    ++pos_;
  }
  return readDigits(0, false, negative, n);
}

bool CharStream::readWord(std::string& word) {
  if (!skipWhitespace()) return false;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && !isWhitespace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) spent_ = true;
  word.assign(text_.substr(start, pos_ - start));
  return true;
}
