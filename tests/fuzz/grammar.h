// Well-formed inputs from the fuzzer's bytes. The bytes are read as a stream
// of choices (which form, which table, which value), so that a mutation of
// the bytes is a change in the query or the tables, and nearly every input
// gets past the readers to the operators. A few choices add slips of the
// pen (a character dropped, doubled or changed) so the readers' errors are
// reached too. When the bytes run out every further choice is the first
// one, and every chance is missed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // A number below n (n > 0).
  unsigned below(unsigned n) { return at_ < size_ ? data_[at_++] % n : 0; }
  // True percent times in a hundred, for evenly spread bytes.
  bool chance(unsigned percent) { return at_ < size_ && data_[at_++] % 100 < percent; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// One table definition as generated: its header's attribute names, and the
// text of the header and its rows.
struct GeneratedTable {
  std::string name;
  std::vector<std::string> attributes;
  std::string text;
};

// A whole input file: the query line, the second line, the tables.
struct GeneratedInput {
  std::vector<GeneratedTable> tables;
  std::string text;
};

GeneratedInput generateInput(Choices& choices);

// A condition over attributes (some of them, or names that none has), as the
// condition reader reads it; mostly well formed.
std::string generateCondition(Choices& choices, const std::vector<std::string>& attributes,
                              int depth);
