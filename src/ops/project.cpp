#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
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
// Sorting small entries that carry the first 15 bytes of their key, its
// length, and a handle on their row touches far less memory than merging
// rows. high and low, compared as numbers, order the keys of up to 15 bytes
// exactly: the bytes, zero-padded, then the length. Only where two longer
// keys agree in their first 15 bytes are the keys made again from the rows
// and compared whole. The kept rows are then built, or written, in their
// final order.
struct KeyEntry {
  std::uint64_t high;  // key bytes 0 to 7, big-endian, zero-padded
  std::uint64_t low;   // key bytes 8 to 14 likewise, then the length (16 for any longer)
  const void* row;     // the source row

  bool longKey() const { return (low & 0xff) == kLong; }
  static constexpr std::uint64_t kLong = 16;
};

constexpr std::size_t kInline = 15;

std::uint64_t loadBigEndian(const unsigned char* bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | bytes[i];
  return v;
}

void appendKey(const std::vector<ValueView>& row, const std::vector<std::size_t>& positions,
               std::string& keys) {
  const std::size_t last = positions.size() - 1;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const ValueView& value = row[positions[i]];
    if (!value.isString) {
      const std::uint32_t u = static_cast<std::uint32_t>(value.number) ^ 0x80000000u;
      const char bytes[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                             static_cast<char>(u >> 8), static_cast<char>(u)};
      keys.append(bytes, 4);
      continue;
    }
    std::string_view text = value.text;
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

// Makes and compares whole keys of the source's rows, in buffers it keeps.
class KeyMaker {
 public:
  KeyMaker(const Relation& source, const std::vector<std::size_t>& positions)
      : source_(source), positions_(positions) {}

  // The whole keys' order of two entries whose first 16 bytes agree: -1, 0, 1.
  int compare(const KeyEntry& a, const KeyEntry& b) {
    make(a.row, first_);
    make(b.row, second_);
    // Strings compare as unsigned bytes, as the keys are ordered.
    const int order = first_.compare(second_);
    return order < 0 ? -1 : (order == 0 ? 0 : 1);
  }

 private:
  void make(const void* row, std::string& key) {
    rowViews(source_, row, views_);
    key.clear();
    appendKey(views_, positions_, key);
  }

  const Relation& source_;
  const std::vector<std::size_t>& positions_;
  std::vector<ValueView> views_;
  std::string first_;
  std::string second_;
};

// The entries of the projected rows, sorted, one of each distinct key kept,
// when the projected values agree in kind column by column; otherwise empty
// and false. Raises "Row too short at project" for a row without a value at
// a requested position.
bool sortedKeys(const Relation& source, const std::vector<std::size_t>& positions,
                std::vector<KeyEntry>& entries) {
  assert(!positions.empty());
  std::vector<char> isString;  // one flag per projected column
  std::vector<ValueView> views;
  std::string key;
  bool agree = true;
  entries.reserve(source.rowCount());
  forEachRowViews(source, views, [&](const void* row, const std::vector<ValueView>& values) {
    for (const std::size_t position : positions) {
      if (position >= values.size()) throw QueryError(msg::kProjectShortRow);
    }
    if (!agree) return;
    if (isString.empty()) {
      for (const std::size_t position : positions)
        isString.push_back(static_cast<char>(values[position].isString));
    } else {
      for (std::size_t i = 0; i < positions.size(); ++i) {
        if (values[positions[i]].isString != static_cast<bool>(isString[i])) agree = false;
      }
      if (!agree) return;
    }
    key.clear();
    appendKey(values, positions, key);
    unsigned char head[16] = {};
    std::copy_n(key.begin(), std::min(key.size(), kInline), head);
    head[15] = static_cast<unsigned char>(std::min<std::size_t>(key.size(), KeyEntry::kLong));
    entries.push_back({loadBigEndian(head), loadBigEndian(head + 8), row});
  });
  if (!agree) {
    entries = std::vector<KeyEntry>();
    return false;
  }

  KeyMaker keys(source, positions);
  std::sort(entries.begin(), entries.end(), [&keys](const KeyEntry& a, const KeyEntry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    return a.longKey() && keys.compare(a, b) < 0;
  });
  // Of each run of equal keys one stays: they are equal rows.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (kept > 0) {
      const KeyEntry& last = entries[kept - 1];
      if (last.high == entries[i].high && last.low == entries[i].low &&
          (!last.longKey() || keys.compare(last, entries[i]) == 0)) {
        continue;
      }
    }
    entries[kept++] = entries[i];
  }
  entries.resize(kept);
  return true;
}

// The general path: every row projected and built, then sorted and freed of
// duplicates.
void projectEachRow(const Relation& source, const std::vector<std::size_t>& positions,
                    Table& result) {
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
}

}  // namespace

Table tableProject(const Relation& source, const std::vector<std::string>& names,
                   RowWriter* writer) {
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
  std::vector<KeyEntry> entries;
  if (!sortedKeys(source, positions, entries)) {
    projectEachRow(source, positions, result);
    return result;
  }

  std::vector<ValueView> views;
  std::vector<ValueView> projected;
  views.reserve(widestRow(source));
  projected.reserve(positions.size());
  if (writer != nullptr) {
    // Nothing can fail from here on: the rows go out as they are read.
    writer->begin(result.name, result.schema, longestLine(source));
    for (const KeyEntry& entry : entries) {
      rowViews(source, entry.row, views);
      projected.clear();
      for (const std::size_t position : positions) projected.push_back(views[position]);
      writer->row(projected.data(), projected.size());
    }
    writer->end();
    return result;
  }
  result.rows.reserve(entries.size());
  for (const KeyEntry& entry : entries) {
    rowViews(source, entry.row, views);
    Row row;
    row.reserve(positions.size());
    for (const std::size_t position : positions) row.push_back(valueOf(views[position]));
    result.addRow(std::move(row));
  }
  return result;
}
