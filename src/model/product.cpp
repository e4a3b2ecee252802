#include "model/product.h"

#include "model/evaluation_budget.h"
#include "model/operand.h"
#include "model/saturating.h"

Product Product::of(Operand left, Operand right) {
  std::string name = left.name();
  Schema schema = left.schema();
  schema.insert(schema.end(), right.schema().begin(), right.schema().end());
  std::vector<Relation> factors;
  std::move(left).appendFactorsTo(factors);
  std::move(right).appendFactorsTo(factors);
  return Product(std::move(name), std::move(schema), std::move(factors));
}

std::uint64_t Product::rowCount() const {
  std::uint64_t count = 1;
  for (const Relation& factor : factors_) count = saturatingTimes(count, factor.rowCount());
  return count;
}

std::uint64_t Product::valueCount() const {
  // Each row of a factor stands in as many product rows as the other
  // factors' counts multiply to.
  std::uint64_t values = 0;
  for (std::size_t i = 0; i < factors_.size(); ++i) {
    std::uint64_t others = 1;
    for (std::size_t j = 0; j < factors_.size(); ++j) {
      if (j != i) others = saturatingTimes(others, factors_[j].rowCount());
    }
    values = saturatingPlus(values, saturatingTimes(factors_[i].valueCount(), others));
  }
  return values;
}

std::uint64_t leastBytesToBuild(const Product& product) {
  return saturatingTimes(product.valueCount(), sizeof(Value));
}

Row joinParts(const Row* const* parts, std::size_t count) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < count; ++i) size += parts[i]->size();
  Row row;
  row.reserve(size);
  for (std::size_t i = 0; i < count; ++i) row.append(*parts[i]);
  return row;
}

std::vector<Row> firstRows(ProductCursor cursor, std::size_t limit) {
  std::vector<Row> rows;
  while (rows.size() < limit && cursor.next()) {
    rows.push_back(joinParts(cursor.parts().data(), cursor.parts().size()));
  }
  return rows;
}

ProductCursor::ProductCursor(const Product& product) {
  for (const Relation& factor : product.factors()) lists_.push_back(&factor.rows());
  start();
}

ProductCursor::ProductCursor(const Relation& relation) {
  lists_.push_back(&relation.rows());
  start();
}

void ProductCursor::start() {
  at_.resize(lists_.size());
  parts_.resize(lists_.size());
}

bool ProductCursor::next() {
  if (done_) return false;
  spendBudget(0);
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
