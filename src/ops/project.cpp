#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
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
// far less memory than merging list nodes whose rows lie all over the heap;
// the kept keys are then decoded into the result's rows in their final order.
struct KeyEntry {
  std::uint64_t high;    // key bytes 0 to 7, big-endian, zero-padded
  std::uint64_t low;     // key bytes 8 to 15, likewise
  std::uint32_t offset;  // where the whole key starts; ranks the rows in source order
  std::uint32_t length;
};

constexpr std::size_t kInline = 16;

std::uint64_t loadBigEndian(const unsigned char* bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | bytes[i];
  return v;
}

void storeBigEndian(std::uint64_t v, unsigned char* bytes) {
  for (int i = 7; i >= 0; --i, v >>= 8) bytes[i] = static_cast<unsigned char>(v);
}

void appendKeySlowly(const Row& row, const std::vector<std::size_t>& positions, std::string& keys) {
  const std::size_t last = positions.size() - 1;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Value& value = row[positions[i]];
    if (!value.isString()) {
      const std::uint32_t u = static_cast<std::uint32_t>(value.number()) ^ 0x80000000u;
      const char bytes[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                             static_cast<char>(u >> 8), static_cast<char>(u)};
      keys.append(bytes, 4);
    } else if (i == last) {
      keys.append(value.text());
    } else {
      const std::string& text = value.text();
      for (std::size_t from = 0;;) {
        const std::size_t zero = text.find('\0', from);
        if (zero == std::string::npos) {
          keys.append(text, from);
          break;
        }
        keys.append(text, from, zero - from);
        keys.append("\0\xff", 2);
        from = zero + 1;
      }
      keys.append("\0\0", 2);
    }
  }
}

// The common case: a key that fits a small buffer, without 0 bytes in its
// strings, is written there and appended at once.
void appendKey(const Row& row, const std::vector<std::size_t>& positions, std::string& keys) {
  char key[256];
  std::size_t length = 0;
  const std::size_t last = positions.size() - 1;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Value& value = row[positions[i]];
    if (!value.isString()) {
      if (length + 4 > sizeof key) return appendKeySlowly(row, positions, keys);
      const std::uint32_t u = static_cast<std::uint32_t>(value.number()) ^ 0x80000000u;
      key[length] = static_cast<char>(u >> 24);
      key[length + 1] = static_cast<char>(u >> 16);
      key[length + 2] = static_cast<char>(u >> 8);
      key[length + 3] = static_cast<char>(u);
      length += 4;
      continue;
    }
    const std::string& text = value.text();
    const std::size_t end = i == last ? 0 : 2;
    if (length + text.size() + end > sizeof key ||
        (end != 0 && text.find('\0') != std::string::npos)) {
      return appendKeySlowly(row, positions, keys);
    }
    std::memcpy(key + length, text.data(), text.size());
    length += text.size();
    for (std::size_t k = 0; k < end; ++k) key[length++] = '\0';
  }
  keys.append(key, length);
}

Row decodeKey(const unsigned char* key, std::size_t length, const std::vector<char>& isString) {
  Row row;
  row.reserve(isString.size());
  std::size_t at = 0;
  for (std::size_t i = 0; i < isString.size(); ++i) {
    if (!isString[i]) {
      const std::uint32_t u = std::uint32_t{key[at]} << 24 | std::uint32_t{key[at + 1]} << 16 |
                              std::uint32_t{key[at + 2]} << 8 | key[at + 3];
      row.emplace_back(static_cast<std::int32_t>(u ^ 0x80000000u));
      at += 4;
    } else if (i + 1 == isString.size()) {
      row.emplace_back(std::string(reinterpret_cast<const char*>(key) + at, length - at));
      at = length;
    } else {
      // The text runs to the first 0 byte: its end mark, unless a 255 that
      // stands for a 0 byte of the text follows.
      const char* from = reinterpret_cast<const char*>(key) + at;
      const char* zero = static_cast<const char*>(std::memchr(from, 0, length - at));
      std::string text(from, zero);
      while (zero[1] != 0) {
        text.push_back('\0');
        from = zero + 2;
        zero = static_cast<const char*>(
            std::memchr(from, 0, length - (from - reinterpret_cast<const char*>(key))));
        text.append(from, zero);
      }
      at = static_cast<std::size_t>(zero + 2 - reinterpret_cast<const char*>(key));
      row.emplace_back(std::move(text));
    }
  }
  return row;
}

bool sameKey(const KeyEntry& a, const KeyEntry& b, const unsigned char* base) {
  return a.high == b.high && a.low == b.low && a.length == b.length &&
         (a.length <= kInline || std::memcmp(base + a.offset + kInline, base + b.offset + kInline,
                                             a.length - kInline) == 0);
}

std::uint64_t hashKey(const KeyEntry& e, const unsigned char* base) {
  std::uint64_t h = e.high * 0x9E3779B97F4A7C15u ^ (e.low + e.length) * 0xC2B2AE3D27D4EB4Fu;
  for (std::uint32_t at = kInline; at < e.length; ++at)
    h = (h ^ base[e.offset + at]) * 0x100000001B3u;
  h ^= h >> 31;
  h *= 0xD6E8FEB86659FD93u;
  return h ^ h >> 32;
}

// When most rows are repeated, as a projection onto a few columns often makes
// them, sorting the one entry of each distinct key is far cheaper than
// sorting them all. Keeps the first entry of each key, in source order, when
// a quarter of the way through fewer than three in four keys were new;
// otherwise leaves entries as they are. The rows that the entries stand for
// are equal, so which of them stays is never seen.
void collapseEqualKeys(std::vector<KeyEntry>& entries, const unsigned char* base) {
  constexpr std::size_t kWorthTrying = 1 << 14;
  if (entries.size() < kWorthTrying) return;
  const std::size_t checkpoint = entries.size() / 4;
  std::vector<KeyEntry> kept;
  std::vector<std::uint32_t> slots(1 << 12);  // an index into kept, plus 1; 0 is free
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i == checkpoint && kept.size() * 4 > checkpoint * 3) return;
    const KeyEntry& entry = entries[i];
    std::size_t mask = slots.size() - 1;
    std::size_t slot = hashKey(entry, base) & mask;
    bool seen = false;
    for (; slots[slot] != 0; slot = (slot + 1) & mask) {
      if (sameKey(kept[slots[slot] - 1], entry, base)) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    kept.push_back(entry);
    slots[slot] = static_cast<std::uint32_t>(kept.size());
    if (kept.size() * 2 > slots.size()) {
      // At most half full, so that probe runs stay short.
      std::vector<std::uint32_t> grown(slots.size() * 2);
      mask = grown.size() - 1;
      for (std::size_t k = 0; k < kept.size(); ++k) {
        std::size_t at = hashKey(kept[k], base) & mask;
        while (grown[at] != 0) at = (at + 1) & mask;
        grown[at] = static_cast<std::uint32_t>(k + 1);
      }
      slots.swap(grown);
    }
  }
  entries.swap(kept);
}

// Appends the projected rows to result, sorted and free of duplicates, when
// the projected values agree in kind column by column; otherwise leaves
// result as it is and returns false. Raises "Row too short at project" for a
// row without a value at a requested position.
bool projectByKeys(const Relation& source, const std::vector<std::size_t>& positions,
                   Table& result) {
  if (positions.empty() || source.rows().size() > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  std::vector<char> isString;  // one flag per projected column
  std::string keys;
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
    const std::size_t offset = keys.size();
    appendKey(row, positions, keys);
    // The first key stands for the others' size, with room to spare; an
    // outsized first key does not make every row reserve its size.
    if (offset == 0) {
      const std::size_t estimate = std::min<std::size_t>(keys.size() + keys.size() / 4 + 4, 64);
      keys.reserve(source.rows().size() * estimate);
    }
    if (keys.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    entries.push_back({0, 0, static_cast<std::uint32_t>(offset),
                       static_cast<std::uint32_t>(keys.size() - offset)});
  }

  const auto* base = reinterpret_cast<const unsigned char*>(keys.data());
  for (KeyEntry& entry : entries) {
    unsigned char head[kInline] = {};
    std::memcpy(head, base + entry.offset, std::min<std::size_t>(entry.length, kInline));
    entry.high = loadBigEndian(head);
    entry.low = loadBigEndian(head + 8);
  }

  collapseEqualKeys(entries, base);

  // Equal keys fall back on their source order, which makes the sort stable.
  std::sort(entries.begin(), entries.end(), [base](const KeyEntry& a, const KeyEntry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const std::uint32_t common = std::min(a.length, b.length);
    if (common > kInline) {
      const int order =
          std::memcmp(base + a.offset + kInline, base + b.offset + kInline, common - kInline);
      if (order != 0) return order < 0;
    }
    if (a.length != b.length) return a.length < b.length;
    return a.offset < b.offset;
  });

  // Of each run of equal keys the first, the earliest source row, stays.
  const KeyEntry* kept = nullptr;
  for (const KeyEntry& entry : entries) {
    if (kept != nullptr && sameKey(*kept, entry, base)) continue;
    kept = &entry;
    if (entry.length <= kInline) {
      unsigned char head[kInline];
      storeBigEndian(entry.high, head);
      storeBigEndian(entry.low, head + 8);
      result.addRow(decodeKey(head, entry.length, isString));
    } else {
      result.addRow(decodeKey(base + entry.offset, entry.length, isString));
    }
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
