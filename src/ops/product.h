// Building a product's rows, for the code that needs them as a table, after
// asking the platform whether they would fit.
#pragma once

#include <cstdint>
#include <optional>

#include "model/operand.h"
#include "model/product.h"
#include "model/relation.h"

// Raises std::bad_alloc when leastBytesToBuild(product) exceeds memoryLeft,
// the memory the process may still use; no known limit never refuses.
void requireRoomToBuild(const Product& product, std::optional<std::uint64_t> memoryLeft);
// The same against what the platform reports now.
void requireRoomToBuild(const Product& product);

// The operand as a relation whose rows can be read: a product is built, its
// rows in product order, after requireRoomToBuild, so that a product too big
// raises std::bad_alloc at once, before anything is allocated.
Relation buildRelation(Operand operand);
