#include <utility>

#include "ops/operators.h"

Relation tableProduct(Relation left, Relation right) {
  return Relation::product(std::move(left), std::move(right));
}
