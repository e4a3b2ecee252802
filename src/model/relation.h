// A table as the evaluator hands it on. A stored table is borrowed where it
// is stored, never copied; a renamed one keeps borrowing its rows; a product
// is kept as its factors, and its rows are made only when they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/table.h"
#include "model/value.h"
#include "model/value_view.h"

using RowList = decltype(Table::rows);

// A name and a schema, and rows that are the relation's own, borrowed from a
// table that outlives it, or (for a product) the pairs of its factors' rows.
// The name and the schema are the relation's own: renaming changes neither
// the rows nor the table they are borrowed from.
class Relation {
 public:
  // Borrows stored's rows; stored must outlive the relation.
  Relation(const Table& stored);  // NOLINT(google-explicit-constructor): a table is a relation
  // Takes owned's rows, name and schema.
  Relation(Table&& owned);  // NOLINT(google-explicit-constructor)

  Relation(Relation&&) noexcept = default;
  Relation& operator=(Relation&&) noexcept = default;
  Relation(const Relation&) = delete;
  Relation& operator=(const Relation&) = delete;
  ~Relation() = default;

  // Every pair of a left row and a right row in nested order, left rows
  // outer: the left factors then the right ones (nested products are
  // flattened), the left name, the left attributes then the right ones.
  // Nothing is built.
  static Relation product(Relation left, Relation right);

  const std::string& name() const { return name_; }
  const Schema& schema() const { return schema_; }
  void setName(std::string name) { name_ = std::move(name); }
  void setAttributeName(std::size_t position, std::string name) {
    schema_[position].setName(std::move(name));
  }

  bool isProduct() const { return !factors_.empty(); }
  // A product's factors, left to right; none of them is a product.
  const std::vector<Relation>& factors() const { return factors_; }

  // Whether the rows are a stored table's packed rows, borrowed.
  bool isPacked() const { return packed_ != nullptr; }
  // The packed rows of a relation that isPacked.
  const PackedRows& packedRows() const { return *packed_; }

  // The rows of a relation that is no product. Packed rows are unpacked into
  // general rows the relation owns, once, when first asked for.
  const RowList& rows() const {
    if (rows_ == nullptr) unpack();
    return *rows_;
  }

  // How many rows, and how many values in all, the relation has (a product:
  // would have once built), saturating at the largest uint64.
  std::uint64_t rowCount() const;
  std::uint64_t valueCount() const;

  // Turns a product into a table of its own, its rows in product order. When
  // even the least memory its values need is more than the process may still
  // use, raises std::bad_alloc at once, before anything is allocated.
  void materialise();

 private:
  Relation() = default;
  void unpack() const;

  std::string name_;
  Schema schema_;
  mutable std::unique_ptr<RowList> ownedRows_;
  mutable const RowList* rows_ = nullptr;
  const PackedRows* packed_ = nullptr;
  std::vector<Relation> factors_;
};

// Packed rows as general rows, in order.
Rows unpackRows(const PackedRows& packed);

// The least bytes a product's rows take once built: its values times the
// size of a value. The row lists, the rows' own storage and the strings'
// text come on top.
std::uint64_t leastBytesToBuild(const Relation& product);

// Raises std::bad_alloc when leastBytesToBuild(product) exceeds memoryLeft,
// the memory the process may still use; no known limit never refuses.
void requireRoomToBuild(const Relation& product, std::optional<std::uint64_t> memoryLeft);
// The same against what the platform reports now.
void requireRoomToBuild(const Relation& product);

// A row given in parts, as a product's row is before it is built: the values
// of the parts one after the other. Positions count from the start of the
// first part plus offset, which lets a condition read against the whole
// schema look at the parts of one factor alone.
struct RowParts {
  const Row* const* parts;
  std::size_t count;
  std::size_t offset = 0;

  // The value at position, as in the concatenated row; nullptr when the
  // concatenation is too short.
  const Value* at(std::size_t position) const {
    if (position < offset) return nullptr;
    position -= offset;
    for (std::size_t i = 0; i < count; ++i) {
      const Row& part = *parts[i];
      if (position < part.size()) return &part[position];
      position -= part.size();
    }
    return nullptr;
  }
};

// The views of the values of parts one after the other, into views (cleared
// first).
void viewsOfParts(const Row* const* parts, std::size_t count, std::vector<ValueView>& views);

// The most characters one of the relation's rows takes printed, values
// separated by commas, its newline left out (a product's: the sum of its
// factors' and the commas between them).
std::size_t longestLine(const Relation& relation);

// The most values a row of a relation that is no product has.
std::size_t widestRow(const Relation& relation);

// Calls visit(handle, views) for each row of a relation that is no product,
// in order, with the views of its values; rowViews(relation, handle, views)
// gives them again later. views is reused from row to row.
template <class Visit>
void forEachRowViews(const Relation& relation, std::vector<ValueView>& views, Visit&& visit) {
  if (relation.isPacked()) {
    relation.packedRows().forEach([&views, &visit](const unsigned char* row) {
      PackedRows::decode(row, views);
      visit(static_cast<const void*>(row), views);
    });
    return;
  }
  for (const Row& row : relation.rows()) {
    const Row* part = &row;
    viewsOfParts(&part, 1, views);
    visit(static_cast<const void*>(&row), views);
  }
}
void rowViews(const Relation& relation, const void* handle, std::vector<ValueView>& views);

// The concatenation of parts, built.
Row joinParts(const Row* const* parts, std::size_t count);

// The first rows of a relation, at most limit of them, in order; a
// product's are built one by one and the rest are never made.
std::vector<Row> firstRows(const Relation& relation, std::size_t limit);

// Walks the rows of a relation (a product's in product order, the first
// factor outermost) without building them: each step gives one row of every
// factor.
class ProductCursor {
 public:
  explicit ProductCursor(const Relation& relation);

  // Moves to the next row; false once there is none. The first call moves to
  // the first row.
  bool next();
  // The current row in parts, one per factor.
  const std::vector<const Row*>& parts() const { return parts_; }

 private:
  std::vector<const RowList*> lists_;
  std::vector<RowList::const_iterator> at_;
  std::vector<const Row*> parts_;
  bool started_ = false;
  bool done_ = false;
};
