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

  // Skips whitespace, then reads up to the next whitespace or the end. Fails,
  // spending the stream, when nothing is left to take. Reading up to the end
  // of the text succeeds but spends the stream.
  bool readWord(std::string& word);

  // True once a read has looked past the end or failed.
  bool spent() const { return spent_; }

 private:
  // Advances past whitespace; false (and spent) if the text ends first.
  bool skipWhitespace();

  std::string_view text_;
  std::size_t pos_ = 0;
  bool spent_ = false;
};
