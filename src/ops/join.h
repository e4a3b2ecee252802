// SELECT over a product without building the product: its rows are read in
// product order and only the rows kept are built.
#pragma once

#include "model/product.h"
#include "model/table.h"
#include "query/condition.h"

// The rows of product for which condition holds, in product order, under
// the product's name and schema: exactly what building the product and then
// selecting from it gives, errors included. Takes selectByJoin where
// rowsMatchSchemas holds, and selectEachProductRow otherwise.
Table selectFromProduct(const Product& product, const Condition& condition);

// True when every row of every factor has exactly as many values as its
// factor's schema has attributes, so that each position of the product's
// schema reads the same factor and column in every row.
bool rowsMatchSchemas(const Product& product);

// The general path: every row of the product, in order, with the whole
// condition evaluated on it. Raises "Row too short at select" where that
// evaluation reads past a row's end.
Table selectEachProductRow(const Product& product, const Condition& condition);

// The planned path, for a product whose rows match their schemas (then no
// evaluation can fail). The condition is split at its AND nodes: a part that
// reads one factor filters that factor's rows first; an EQ between
// attributes of two factors is a hash join on the later factor; a part that
// reads no attribute is decided once; the rest is tested as soon as the
// factors it reads are chosen. Factors are chosen left to right, depth
// first, so rows come out in product order and are never all held.
Table selectByJoin(const Product& product, const Condition& condition);
