// A table as the evaluator hands it on, with rows that can be read: a stored
// table is borrowed where it is stored, never copied; a renamed one keeps
// borrowing its rows; an operator's result owns its rows. A product, whose
// rows are not made until they are read, is another type (model/product.h),
// so that no code that reads stored rows can be handed one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "model/table.h"
#include "model/value.h"

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

  const Rows& rows() const { return *rows_; }

  // How many rows, and how many values in all, the relation has,
  // saturating at the largest uint64.
  std::uint64_t rowCount() const { return rows_->size(); }
  std::uint64_t valueCount() const;

 private:
  std::string name_;
  Schema schema_;
  std::unique_ptr<Rows> ownedRows_;
  const Rows* rows_ = nullptr;
};

// An empty table with the name and schema of like (a relation, a product or
// an operand): the start of an operator's result.
template <class Like>
Table emptyTableLike(const Like& like) {
  Table result(like.name());
  result.schema = like.schema();
  return result;
}
