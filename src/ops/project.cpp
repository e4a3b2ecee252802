#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "model/query_error.h"
#include "ops/operators.h"

namespace {

// Projected rows whose values agree in kind column by column are ordered by
// rowLess exactly as their keys are by bytes. A key writes each projected
// value in an order-preserving form: an int as 4 big-endian bytes with the
// sign bit flipped; a string as its bytes, a 0 byte written as 0 255 and the
// end marked by 0 0, except in the last column, where it needs no end mark.
// Keys compare as byte strings, the shorter first where one is a prefix of
// the other, and equal keys are equal rows.
//
// Sorting small entries that carry the first 16 bytes of their key touches
// far less memory than merging row handles whose values lie all over the
// heap;
// the kept keys are then decoded into the result's rows in their final order.
struct KeyEntry {
  std::uint64_t high;  // key bytes 0 to 7, big-endian, zero-padded
  std::uint64_t low;   // key bytes 8 to 15, likewise
  std::uint32_t row;   // the source row's position
  std::uint32_t length;
};

constexpr std::size_t kInline = 16;

std::uint64_t loadBigEndian(const unsigned char* bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | bytes[i];
  return v;
}

void appendKey(const Row& row, const std::vector<std::size_t>& positions, std::string& keys) {
  const std::size_t last = positions.size() - 1;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Value& value = row[positions[i]];
    if (!value.isString()) {
      const std::uint32_t u = static_cast<std::uint32_t>(value.number()) ^ 0x80000000u;
      const char bytes[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                             static_cast<char>(u >> 8), static_cast<char>(u)};
      keys.append(bytes, 4);
      continue;
    }
    std::string_view text = value.text();
    if (i == last) {
      keys.append(text);
      continue;
    }
    for (std::size_t zero = text.find('\0'); zero != std::string_view::npos;
         zero = text.find('\0')) {
      keys.append(text.substr(0, zero));
      keys.append("\0\xff", 2);
      text.remove_prefix(zero + 1);
    }
    keys.append(text);
    keys.append("\0\0", 2);
  }
}

// The keys' bytes and where each row's key starts.
struct Keys {
  std::string bytes;
  std::vector<std::uint32_t> offsets;

  const unsigned char* tail(const KeyEntry& e) const {
    return reinterpret_cast<const unsigned char*>(bytes.data()) + offsets[e.row] + kInline;
  }
};

bool sameKey(const KeyEntry& a, const KeyEntry& b, const Keys& keys) {
  return a.high == b.high && a.low == b.low && a.length == b.length &&
         (a.length <= kInline || std::memcmp(keys.tail(a), keys.tail(b), a.length - kInline) == 0);
}

// Appends the projected rows to result, sorted and free of duplicates, when
// the projected values agree in kind column by column; otherwise leaves
// result as it is and returns false. Raises "Row too short at project" for a
// row without a value at a requested position.
bool projectByKeys(const Relation& source, const std::vector<std::size_t>& positions,
                   Table& result) {
  assert(!positions.empty());
  // Keys are ranked by 32-bit row positions.
  if (source.rows().size() > std::numeric_limits<std::uint32_t>::max()) return false;
  std::vector<char> isString;  // one flag per projected column
  Keys keys;
  keys.offsets.reserve(source.rows().size());
  std::vector<KeyEntry> entries;
  entries.reserve(source.rows().size());
  for (const Row& row : source.rows()) {
    for (const std::size_t position : positions) {
      if (position >= row.size()) throw QueryError(msg::kProjectShortRow);
    }
    if (entries.empty()) {
      for (const std::size_t position : positions)
        isString.push_back(static_cast<char>(row[position].isString()));
    } else {
      for (std::size_t i = 0; i < positions.size(); ++i) {
        if (row[positions[i]].isString() != isString[i]) return false;
      }
    }
    const std::size_t offset = keys.bytes.size();
    appendKey(row, positions, keys.bytes);
    // The first key stands for the others' size, with room to spare; an
    // outsized first key does not make every row reserve its size.
    if (offset == 0) {
      const std::size_t estimate =
          std::min<std::size_t>(keys.bytes.size() + keys.bytes.size() / 4 + 4, 64);
      keys.bytes.reserve(source.rows().size() * estimate);
    }
    if (keys.bytes.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    keys.offsets.push_back(static_cast<std::uint32_t>(offset));
    entries.push_back({0, 0, static_cast<std::uint32_t>(entries.size()),
                       static_cast<std::uint32_t>(keys.bytes.size() - offset)});
  }

  for (KeyEntry& entry : entries) {
    unsigned char head[kInline] = {};
    std::memcpy(head, keys.bytes.data() + keys.offsets[entry.row],
                std::min<std::size_t>(entry.length, kInline));
    entry.high = loadBigEndian(head);
    entry.low = loadBigEndian(head + 8);
  }

  // Equal keys fall back on their source order, which makes the sort stable.
  std::sort(entries.begin(), entries.end(), [&keys](const KeyEntry& a, const KeyEntry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const std::uint32_t common = std::min(a.length, b.length);
    if (common > kInline) {
      const int order = std::memcmp(keys.tail(a), keys.tail(b), common - kInline);
      if (order != 0) return order < 0;
    }
    if (a.length != b.length) return a.length < b.length;
    return a.row < b.row;
  });

  // Of each run of equal keys the first, the earliest source row, stays.
  std::vector<std::uint32_t> kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i == 0 || !sameKey(entries[i - 1], entries[i], keys)) kept.push_back(entries[i].row);
  }
  entries = std::vector<KeyEntry>();
  keys = Keys();

  result.rows.reserve(kept.size());
  for (const std::uint32_t at : kept) {
    const Row& row = source.rows()[at];
    Row projected;
    projected.reserve(positions.size());
    for (const std::size_t position : positions) projected.push_back(row[position]);
    result.addRow(std::move(projected));
  }
  return true;
}

}  // namespace

Table tableProject(const Relation& source, const std::vector<std::string>& names) {
  std::vector<std::size_t> positions;
  positions.reserve(names.size());
  for (const std::string& name : names) {
    const int position = findAttribute(source.schema(), name);
    if (position < 0) throw QueryError(msg::kProjectMismatch);
    positions.push_back(static_cast<std::size_t>(position));
  }

  Table result(source.name());
  result.schema.reserve(positions.size());
  for (const std::size_t position : positions) result.addAttribute(source.schema()[position]);
  if (projectByKeys(source, positions, result)) return result;

  for (const Row& row : source.rows()) {
    Row projected;
    projected.reserve(positions.size());
    for (const std::size_t position : positions) {
      if (position >= row.size()) throw QueryError(msg::kProjectShortRow);
      projected.push_back(row[position]);
    }
    result.addRow(std::move(projected));
  }
  result.sortRows();
  result.removeAdjacentDuplicateRows();
  return result;
}
