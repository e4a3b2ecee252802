#include "model/relation.h"

#include <algorithm>

#include "model/saturating.h"

Relation::Relation(const Table& stored) : name_(stored.name), schema_(stored.schema) {
  if (stored.isPacked()) {
    packed_ = &stored.packed;
  } else {
    rows_ = &stored.rows;
  }
}

Relation::Relation(Table&& owned) : name_(std::move(owned.name)), schema_(std::move(owned.schema)) {
  if (owned.isPacked()) {
    ownedRows_ = std::make_unique<Rows>(unpackRows(owned.packed));
  } else {
    ownedRows_ = std::make_unique<Rows>(std::move(owned.rows));
  }
  rows_ = ownedRows_.get();
}

void Relation::unpack() const {
  ownedRows_ = std::make_unique<Rows>(unpackRows(*packed_));
  rows_ = ownedRows_.get();
}

std::uint64_t Relation::valueCount() const {
  if (isPacked()) return packed_->valueCount();
  std::uint64_t values = 0;
  for (const Row& row : *rows_) values = saturatingPlus(values, row.size());
  return values;
}

Rows unpackRows(const PackedRows& packed) {
  Rows rows;
  rows.reserve(packed.size());
  packed.forEach([&rows](const unsigned char* row) { rows.push_back(PackedRows::unpack(row)); });
  return rows;
}

void viewsOfParts(const Row* const* parts, std::size_t count, std::vector<ValueView>& views) {
  views.clear();
  for (std::size_t i = 0; i < count; ++i) {
    for (const Value& value : *parts[i]) views.push_back(viewOf(value));
  }
}

namespace {

std::size_t printedLength(const Value& value) {
  if (value.isString()) return value.text().size() + 2;
  std::size_t digits = value.number() < 0 ? 2 : 1;
  for (std::int64_t m = value.number() < 0 ? -static_cast<std::int64_t>(value.number())
                                           : value.number();
       m >= 10; m /= 10) {
    ++digits;
  }
  return digits;
}

}  // namespace

std::size_t longestLine(const Relation& relation) {
  if (relation.isPacked()) return relation.packedRows().longestLine();
  std::size_t longest = 0;
  for (const Row& row : relation.rows()) {
    std::size_t line = row.empty() ? 0 : row.size() - 1;
    for (const Value& value : row) line += printedLength(value);
    longest = std::max(longest, line);
  }
  return longest;
}

std::size_t widestRow(const Relation& relation) {
  if (relation.isPacked()) return relation.packedRows().longestRow();
  std::size_t widest = 0;
  for (const Row& row : relation.rows()) widest = std::max(widest, row.size());
  return widest;
}

void rowViews(const Relation& relation, const void* handle, std::vector<ValueView>& views) {
  if (relation.isPacked()) {
    PackedRows::decode(static_cast<const unsigned char*>(handle), views);
    return;
  }
  const Row* part = static_cast<const Row*>(handle);
  viewsOfParts(&part, 1, views);
}
