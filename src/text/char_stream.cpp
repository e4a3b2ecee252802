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
  // The magnitude saturates just past the largest one that can fit, so any
  // run of digits is read without overflow. The scan runs on locals: the
  // members would be reloaded on every digit.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  const char* const data = text_.data();
  const std::size_t size = text_.size();
  const std::size_t first = pos_;
  std::size_t pos = pos_;
  std::int64_t magnitude = 0;
  while (pos < size && isDigit(data[pos])) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (data[pos] - '0');
    ++pos;
  }
  const std::size_t digits = pos - first;
  pos_ = pos;
  if (pos_ >= size) spent_ = true;
  const std::int64_t largest = negative ? kLimit : kLimit - 1;
  if (digits == 0 || magnitude > largest) {
    spent_ = true;
    return false;
  }
  n = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

bool CharStream::readWord(std::string& word) {
  if (!skipWhitespace()) return false;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && !isWhitespace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) spent_ = true;
  word.assign(text_.substr(start, pos_ - start));
  return true;
}
