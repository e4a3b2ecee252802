#include "ops/product.h"

#include <new>
#include <utility>

#include "model/evaluation_budget.h"
#include "ops/operators.h"
#include "platform/memory_limit.h"

Product tableProduct(Operand left, Operand right) {
  return Product::of(std::move(left), std::move(right));
}

void requireRoomToBuild(const Product& product, std::optional<std::uint64_t> memoryLeft) {
  if (memoryLeft && leastBytesToBuild(product) > *memoryLeft) throw std::bad_alloc();
}

void requireRoomToBuild(const Product& product) {
  // Asking the platform costs file reads; a product small enough for any
  // machine need not.
  constexpr std::uint64_t kAlwaysFits = std::uint64_t{1} << 20;
  if (leastBytesToBuild(product) <= kAlwaysFits) return;
  requireRoomToBuild(product, memoryLeftToUse());
}

Relation buildRelation(Operand operand) {
  if (Relation* relation = operand.relation()) return std::move(*relation);
  const Product& product = *operand.product();
  requireRoomToBuild(product);
  requireBudget(product.valueCount());
  Table built = emptyTableLike(product);
  ProductCursor cursor(product);
  while (cursor.next()) built.addRow(joinParts(cursor.parts().data(), cursor.parts().size()));
  return Relation(std::move(built));
}
