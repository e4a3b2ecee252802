// A table as the evaluator hands it on, with rows that can be read: a stored
// table is borrowed where it is stored, never copied; a renamed one keeps
// borrowing its rows; an operator's result owns its rows. A product, whose
// rows are not made until they are read, is another type (model/product.h),
// so that no code that reads stored rows can be handed one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/packed_rows.h"
#include "model/table.h"
#include "model/value.h"
#include "model/value_view.h"

// A name and a schema, and rows that are the relation's own or borrowed from
// a table that outlives it. The name and the schema are the relation's own:
// renaming changes neither the rows nor the table they are borrowed from.
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

  const std::string& name() const { return name_; }
  const Schema& schema() const { return schema_; }
  void setName(std::string name) { name_ = std::move(name); }
  void setAttributeName(std::size_t position, std::string name) {
    schema_[position].setName(std::move(name));
  }

  // Whether the rows are a stored table's packed rows, borrowed.
  bool isPacked() const { return packed_ != nullptr; }
  // The packed rows of a relation that isPacked.
  const PackedRows& packedRows() const { return *packed_; }

  // The rows as general rows. Packed rows are unpacked into general rows the
  // relation owns, once, when first asked for; so a temporary relation has
  // no rows to lend.
  const Rows& rows() const& {
    if (rows_ == nullptr) unpack();
    return *rows_;
  }
  const Rows& rows() const&& = delete;

  // How many rows, and how many values in all, the relation has,
  // saturating at the largest uint64.
  std::uint64_t rowCount() const { return isPacked() ? packed_->size() : rows_->size(); }
  std::uint64_t valueCount() const;

 private:
  void unpack() const;

  std::string name_;
  Schema schema_;
  mutable std::unique_ptr<Rows> ownedRows_;
  mutable const Rows* rows_ = nullptr;
  const PackedRows* packed_ = nullptr;
};

// Packed rows as general rows, in order.
Rows unpackRows(const PackedRows& packed);

// An empty table with the name and schema of like (a relation, a product or
// an operand): the start of an operator's result.
template <class Like>
Table emptyTableLike(const Like& like) {
  Table result(like.name());
  result.schema = like.schema();
  return result;
}

// The views of the values of parts one after the other, into views (cleared
// first).
void viewsOfParts(const Row* const* parts, std::size_t count, std::vector<ValueView>& views);

// The most characters one of the relation's rows takes printed, values
// separated by commas, its newline left out.
std::size_t longestLine(const Relation& relation);

// The most values a row of the relation has.
std::size_t widestRow(const Relation& relation);

// Calls visit(handle, views) for each row of the relation, in order, with the
// views of its values; rowViews(relation, handle, views) gives them again
// later. views is reused from row to row. Packed rows are read where they
// are, never unpacked.
template <class Visit>
void forEachRowViews(const Relation& relation, std::vector<ValueView>& views, Visit&& visit) {
  if (relation.isPacked()) {
    relation.packedRows().forEachDecoded(
        views, [&visit](const unsigned char* row, std::vector<ValueView>& values) {
          visit(static_cast<const void*>(row), values);
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
