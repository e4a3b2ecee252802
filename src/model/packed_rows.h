// The rows of a stored table packed one after the other in blocks the table
// owns: a row is its value count and its values in a few bytes each, with no
// heap block and no header of its own. A row is handed out as the address of
// its first byte, which stays valid as long as the rows do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/value.h"
#include "model/value_view.h"

// A row's bytes: a variable-length count of values, then each value as one
// variable-length number v (7 bits a byte, low bits first): an odd v is a
// string of v >> 1 bytes, which follow; an even v is an integer, v >> 1 with
// the sign folded into the lowest bit.
class PackedRows {
 public:
  PackedRows() = default;
  PackedRows(PackedRows&&) noexcept = default;
  PackedRows& operator=(PackedRows&&) noexcept = default;
  // Copies are deep.
  PackedRows(const PackedRows& other);
  PackedRows& operator=(const PackedRows& other);
  ~PackedRows() = default;

  // A row is built value by value and appended whole by endRow.
  void addNumber(std::int32_t number);
  // Raises std::bad_alloc for a text of 2 GiB or more.
  void addText(std::string_view text);
  void endRow();
  // Drops the values added since the last endRow.
  void discardRow() {
    row_.clear();
    rowValues_ = 0;
    rowLine_ = 0;
  }
  // Appends a row of values.
  void addRow(const ValueView* values, std::size_t count);

  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  std::uint64_t valueCount() const { return values_; }
  // The fewest and the most values of a row (0 without rows).
  std::size_t shortestRow() const { return rows_ == 0 ? 0 : shortest_; }
  std::size_t longestRow() const { return longest_; }
  // The most characters a row's line takes when printed, its newline left out.
  std::size_t longestLine() const { return longestLine_; }

  // Calls visit(row) for each row's first byte, in order.
  template <class Visit>
  void forEach(Visit&& visit) const {
    for (const Block& block : blocks_) {
      const unsigned char* at = block.bytes.get();
      const unsigned char* end = at + block.used;
      while (at < end) {
        visit(static_cast<const unsigned char*>(at));
        at = skipRow(at);
      }
    }
  }

  // Calls visit(row, values) for each row's first byte and its values, as
  // decode gives them into values, in order.
  template <class Visit>
  void forEachDecoded(std::vector<ValueView>& values, Visit&& visit) const {
    for (const Block& block : blocks_) {
      const unsigned char* at = block.bytes.get();
      const unsigned char* end = at + block.used;
      while (at < end) {
        const unsigned char* row = at;
        at = decode(row, values);
        visit(row, values);
      }
    }
  }

  // The values of the row starting at row, as views into it, into values
  // (cleared first). Returns the address just after the row.
  static const unsigned char* decode(const unsigned char* row, std::vector<ValueView>& values);
  // The address just after the row starting at row.
  static const unsigned char* skipRow(const unsigned char* row);
  // The row as a general row.
  static Row unpack(const unsigned char* row);

 private:
  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t used = 0;
    std::size_t capacity = 0;
  };

  void noteValue(std::size_t printedLength);

  std::vector<Block> blocks_;
  std::string row_;  // the row being built, its count left out
  std::size_t rowValues_ = 0;
  std::size_t rowLine_ = 0;
  std::size_t rows_ = 0;
  std::uint64_t values_ = 0;
  std::size_t shortest_ = 0;
  std::size_t longest_ = 0;
  std::size_t longestLine_ = 0;
};
