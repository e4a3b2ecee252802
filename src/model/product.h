// A product kept as its factors: its rows are made only when they are read,
// one at a time (ProductCursor), or built whole by the code that needs them
// as a table (ops/product.h), which first checks that they would fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/relation.h"
#include "model/table.h"
#include "model/value.h"

class Operand;

// Every combination of one row of each factor, in nested order, the first
// factor outermost, under a name and schema of its own.
class Product {
 public:
  // Every pair of a left row and a right row in nested order, left rows
  // outer: the left factors then the right ones (products among the
  // operands are flattened), the left name, the left attributes then the
  // right ones. Nothing is built.
  static Product of(Operand left, Operand right);

  const std::string& name() const { return name_; }
  const Schema& schema() const { return schema_; }
  void setName(std::string name) { name_ = std::move(name); }
  void setAttributeName(std::size_t position, std::string name) {
    schema_[position].setName(std::move(name));
  }

  // The factors, left to right, two or more.
  const std::vector<Relation>& factors() const { return factors_; }

  // How many rows, and how many values in all, the product would have once
  // built, saturating at the largest uint64.
  std::uint64_t rowCount() const;
  std::uint64_t valueCount() const;

 private:
  Product(std::string name, Schema schema, std::vector<Relation> factors)
      : name_(std::move(name)), schema_(std::move(schema)), factors_(std::move(factors)) {}
  friend class Operand;  // takes the factors of a product operand

  std::string name_;
  Schema schema_;
  std::vector<Relation> factors_;
};

// The least bytes a product's rows take once built: its values times the
// size of a value. The row lists, the rows' own storage and the strings'
// text come on top.
std::uint64_t leastBytesToBuild(const Product& product);

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

// The concatenation of parts, built.
Row joinParts(const Row* const* parts, std::size_t count);

// Walks the rows of a product in product order (the first factor outermost)
// without building them, or the rows of a relation: each step gives one row
// of every factor.
class ProductCursor {
 public:
  explicit ProductCursor(const Product& product);
  explicit ProductCursor(const Relation& relation);

  // Moves to the next row; false once there is none. The first call moves to
  // the first row.
  bool next();
  // The current row in parts, one per factor.
  const std::vector<const Row*>& parts() const { return parts_; }

 private:
  void start();

  std::vector<const Rows*> lists_;
  std::vector<Rows::const_iterator> at_;
  std::vector<const Row*> parts_;
  bool started_ = false;
  bool done_ = false;
};

// The first rows the cursor walks, at most limit of them, in order, each
// built; the rest are never made.
std::vector<Row> firstRows(ProductCursor cursor, std::size_t limit);
