#include "model/relation.h"

#include "model/saturating.h"

Relation::Relation(const Table& stored)
    : name_(stored.name), schema_(stored.schema), rows_(&stored.rows) {}

Relation::Relation(Table&& owned)
    : name_(std::move(owned.name)),
      schema_(std::move(owned.schema)),
      ownedRows_(std::make_unique<Rows>(std::move(owned.rows))),
      rows_(ownedRows_.get()) {}

std::uint64_t Relation::valueCount() const {
  std::uint64_t values = 0;
  for (const Row& row : *rows_) values = saturatingPlus(values, row.size());
  return values;
}
