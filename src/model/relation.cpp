#include "model/relation.h"

#include <algorithm>
#include <limits>
#include <new>

#include "model/memory_limit.h"

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

std::uint64_t times(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > kMost / a) return kMost;
  return a * b;
}

std::uint64_t plus(std::uint64_t a, std::uint64_t b) { return b > kMost - a ? kMost : a + b; }

}  // namespace

Relation::Relation(const Table& stored) : name_(stored.name), schema_(stored.schema) {
  if (stored.isPacked()) {
    packed_ = &stored.packed;
  } else {
    rows_ = &stored.rows;
  }
}

Relation::Relation(Table&& owned) : name_(std::move(owned.name)), schema_(std::move(owned.schema)) {
  if (owned.isPacked()) {
    ownedRows_ = std::make_unique<RowList>(unpackRows(owned.packed));
  } else {
    ownedRows_ = std::make_unique<RowList>(std::move(owned.rows));
  }
  rows_ = ownedRows_.get();
}

void Relation::unpack() const {
  ownedRows_ = std::make_unique<RowList>(unpackRows(*packed_));
  rows_ = ownedRows_.get();
}

Rows unpackRows(const PackedRows& packed) {
  Rows rows;
  rows.reserve(packed.size());
  packed.forEach([&rows](const unsigned char* row) { rows.push_back(PackedRows::unpack(row)); });
  return rows;
}

Relation Relation::product(Relation left, Relation right) {
  Relation result;
  result.name_ = left.name_;
  result.schema_ = left.schema_;
  result.schema_.insert(result.schema_.end(), right.schema_.begin(), right.schema_.end());
  for (Relation* side : {&left, &right}) {
    if (!side->isProduct()) {
      result.factors_.push_back(std::move(*side));
      continue;
    }
    for (Relation& factor : side->factors_) result.factors_.push_back(std::move(factor));
  }
  return result;
}

std::uint64_t Relation::rowCount() const {
  if (isPacked()) return packed_->size();
  if (!isProduct()) return rows_->size();
  std::uint64_t count = 1;
  for (const Relation& factor : factors_) count = times(count, factor.rowCount());
  return count;
}

std::uint64_t Relation::valueCount() const {
  if (isPacked()) return packed_->valueCount();
  if (!isProduct()) {
    std::uint64_t values = 0;
    for (const Row& row : *rows_) values = plus(values, row.size());
    return values;
  }
  // Each row of a factor stands in as many product rows as the other
  // factors' counts multiply to.
  std::uint64_t values = 0;
  for (std::size_t i = 0; i < factors_.size(); ++i) {
    std::uint64_t others = 1;
    for (std::size_t j = 0; j < factors_.size(); ++j) {
      if (j != i) others = times(others, factors_[j].rowCount());
    }
    values = plus(values, times(factors_[i].valueCount(), others));
  }
  return values;
}

void Relation::materialise() {
  if (!isProduct()) return;
  requireRoomToBuild(*this);
  auto rows = std::make_unique<RowList>();
  ProductCursor cursor(*this);
  while (cursor.next()) rows->push_back(joinParts(cursor.parts().data(), cursor.parts().size()));
  factors_.clear();
  ownedRows_ = std::move(rows);
  rows_ = ownedRows_.get();
}

std::uint64_t leastBytesToBuild(const Relation& product) {
  return times(product.valueCount(), sizeof(Value));
}

void requireRoomToBuild(const Relation& product, std::optional<std::uint64_t> memoryLeft) {
  if (memoryLeft && leastBytesToBuild(product) > *memoryLeft) throw std::bad_alloc();
}

void requireRoomToBuild(const Relation& product) {
  // Asking the platform costs file reads; a product small enough for any
  // machine need not.
  constexpr std::uint64_t kAlwaysFits = std::uint64_t{1} << 20;
  if (leastBytesToBuild(product) <= kAlwaysFits) return;
  requireRoomToBuild(product, memoryLeftToUse());
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
  if (relation.isProduct()) {
    std::size_t sum = 0;
    for (const Relation& factor : relation.factors()) sum += longestLine(factor) + 1;
    return sum;
  }
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

Row joinParts(const Row* const* parts, std::size_t count) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < count; ++i) size += parts[i]->size();
  Row row;
  row.reserve(size);
  for (std::size_t i = 0; i < count; ++i) row.append(*parts[i]);
  return row;
}

std::vector<Row> firstRows(const Relation& relation, std::size_t limit) {
  std::vector<Row> rows;
  if (relation.isPacked()) {
    // Only the rows taken are unpacked.
    relation.packedRows().forEach([&rows, limit](const unsigned char* row) {
      if (rows.size() < limit) rows.push_back(PackedRows::unpack(row));
    });
    return rows;
  }
  ProductCursor cursor(relation);
  while (rows.size() < limit && cursor.next()) {
    rows.push_back(joinParts(cursor.parts().data(), cursor.parts().size()));
  }
  return rows;
}

ProductCursor::ProductCursor(const Relation& relation) {
  if (relation.isProduct()) {
    for (const Relation& factor : relation.factors()) lists_.push_back(&factor.rows());
  } else {
    lists_.push_back(&relation.rows());
  }
  at_.resize(lists_.size());
  parts_.resize(lists_.size());
}

bool ProductCursor::next() {
  if (done_) return false;
  const std::size_t n = lists_.size();
  std::size_t from = 0;  // the factors from here on start over
  if (started_) {
    // The last factor moves fastest; a factor that runs out starts over and
    // the one before it moves on.
    std::size_t k = n;
    while (k > 0) {
      --k;
      if (++at_[k] != lists_[k]->end()) {
        parts_[k] = &*at_[k];
        from = k + 1;
        break;
      }
      if (k == 0) {
        done_ = true;
        return false;
      }
    }
  }
  started_ = true;
  for (std::size_t k = from; k < n; ++k) {
    at_[k] = lists_[k]->begin();
    if (at_[k] == lists_[k]->end()) {
      done_ = true;
      return false;
    }
    parts_[k] = &*at_[k];
  }
  return true;
}
