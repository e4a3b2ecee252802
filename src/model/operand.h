// What an expression gives: a relation whose rows can be read, or a product
// kept as its factors. Code that needs rows asks for the relation and must
// say what it does with a product (build it, or read it row by row): the
// type, not a convention, keeps an unbuilt product from code that reads
// stored rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "model/product.h"
#include "model/relation.h"
#include "model/table.h"
#include "model/value.h"

class Operand {
 public:
  Operand(Relation relation)
      : value_(std::move(relation)) {}                        // NOLINT(google-explicit-constructor)
  Operand(Product product) : value_(std::move(product)) {}    // NOLINT(google-explicit-constructor)
  Operand(const Table& stored) : value_(Relation(stored)) {}  // NOLINT(google-explicit-constructor)
  Operand(Table&& owned)
      : value_(Relation(std::move(owned))) {}  // NOLINT(google-explicit-constructor)

  // Out of line: the evaluator's recursive frames hold operands, and stay
  // small without the variant's code inlined in them.
  Operand(Operand&& other) noexcept;
  Operand& operator=(Operand&& other) noexcept;
  Operand(const Operand&) = delete;
  Operand& operator=(const Operand&) = delete;
  ~Operand();

  const std::string& name() const;
  const Schema& schema() const;
  std::uint64_t rowCount() const;

  // The one of the two it holds, or nullptr.
  const Relation* relation() const { return std::get_if<Relation>(&value_); }
  const Product* product() const { return std::get_if<Product>(&value_); }
  Relation* relation() { return std::get_if<Relation>(&value_); }
  Product* product() { return std::get_if<Product>(&value_); }

  // Renames the operand and its attributes, position by position; a product
  // stays unbuilt. names has one name per attribute.
  void rename(std::string name, const std::vector<std::string>& names);

  // Moves the relation, or a product's factors, to the end of factors.
  void appendFactorsTo(std::vector<Relation>& factors) &&;

 private:
  std::variant<Relation, Product> value_;
};

// The first rows of an operand, at most limit of them, in order; a product's
// are built one by one and the rest are never made.
std::vector<Row> firstRows(const Operand& operand, std::size_t limit);
