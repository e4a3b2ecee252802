// An in-memory character stream over text it does not own: the query, each
// line of the input file, and a selection condition are read through it.
//
// Its reads follow the standard stream extractions the readers are written
// against: once any read has looked for a character past the end, or has
// failed, the stream is spent and every later read fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CharStream {
 public:
  explicit CharStream(std::string_view text) : text_(text) {}

  // Reads one character into c, skipping nothing. On failure c is unchanged.
  bool get(char& c) {
    if (spent_ || pos_ >= text_.size()) {
      spent_ = true;
      return false;
    }
    c = text_[pos_++];
    return true;
  }

  // Takes back the character just read, so that the next get yields it again.
  // Does nothing on a spent stream.
  void unget() {
    if (!spent_ && pos_ > 0) --pos_;
  }

  // Skips whitespace, then reads an optional sign and decimal digits into n.
  // Fails, spending the stream, when there are no digits or the number does
  // not fit a signed 32-bit integer; n is then unchanged. Reading up to the
  // end of the text succeeds but spends the stream.
  bool readInt(std::int32_t& n);

  // Reads the rest of the unsigned decimal integer whose first digit is the
  // character just read, leaving the stream as unget followed by readInt
  // would. Fails, spending the stream, when the number does not fit a
  // signed 32-bit integer; n is then unchanged.
  bool readIntAfter(char firstDigit, std::int32_t& n) {
    return readDigits(static_cast<std::uint64_t>(firstDigit - '0'), true, false, n);
  }

  // Skips whitespace, then reads up to the next whitespace or the end. Fails,
  // spending the stream, when nothing is left to take. Reading up to the end
  // of the text succeeds but spends the stream.
  bool readWord(std::string& word);

  // Takes every character up to the next delimiter, as repeated gets would,
  // and consumes the delimiter too. Fails, spending the stream, when no
  // delimiter is left; taken is then unchanged.
  bool readUntil(char delimiter, std::string_view& taken) {
    const std::size_t found = spent_ ? std::string_view::npos : text_.find(delimiter, pos_);
    if (found == std::string_view::npos) {
      spent_ = true;
      return false;
    }
    taken = text_.substr(pos_, found - pos_);
    pos_ = found + 1;
    return true;
  }

  // True once a read has looked past the end or failed.
  bool spent() const { return spent_; }

  // Where reading stands: the column (from 1) of the last character read, in
  // the whole text a window was made from; 0 before the first read.
  std::size_t column() const { return origin_ + pos_; }

  // A fresh stream over length characters of the same text, the first of
  // them just after column from. It reads them as a text of its own, ending
  // where they end, while its column() still counts in the whole text.
  CharStream window(std::size_t from, std::size_t length) const {
    CharStream part(text_.substr(from - origin_, length));
    part.origin_ = from;
    return part;
  }

 private:
  // Advances past whitespace; false (and spent) if the text ends first.
  bool skipWhitespace();

  // The digit scanner of both integer reads. Takes the decimal digits from
  // the current position on, after the magnitude of any digit already taken
  // (hasDigit), and stores the number, negated when negative, into n. The
  // stream then stands after the last digit, spent if that is the end of the
  // text. Fails, spending the stream and leaving n alone, when no digit was
  // taken at all or the number does not fit a signed 32-bit integer.
  bool readDigits(std::uint64_t magnitude, bool hasDigit, bool negative, std::int32_t& n) {
    // The magnitude saturates just past the largest one that can fit, so
    // that any run of digits is read without overflow. The scan runs on
    // locals: the members would be reloaded on every digit.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    const char* const data = text_.data();
    const std::size_t size = text_.size();
    const std::size_t first = pos_;
    std::size_t pos = pos_;
    while (pos < size && static_cast<unsigned char>(data[pos] - '0') < 10) {
      if (magnitude <= kLimit)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(data[pos] - '0');
      ++pos;
    }
    pos_ = pos;
    if (pos >= size) spent_ = true;
    const std::uint64_t largest = negative ? kLimit : kLimit - 1;
    if ((!hasDigit && pos == first) || magnitude > largest) {
      spent_ = true;
      return false;
    }
    n = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                 : static_cast<std::int32_t>(magnitude);
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t origin_ = 0;  // the columns of a window's whole text before it
  bool spent_ = false;
};
