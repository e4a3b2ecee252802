// The relational operators. Each reads its operands by read-only reference
// and returns a freshly built table that shares nothing with them
// (tableRename alone relabels what it is given); the result carries the left
// (or only) operand's name, except that tableRename gives it the new one.
// An operator that reads rows takes a Relation: a product reaches it only
// built (buildRelation in ops/product.h), or through selectFromProduct
// (ops/join.h), which reads a product's rows without building it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/operand.h"
#include "model/product.h"
#include "model/relation.h"
#include "model/table.h"
#include "query/condition.h"

// Every pair of a left row and a right row, in nested order (left rows
// outer); the left attributes then the right ones, names kept even where
// they repeat. Nothing is built until the rows are read (see Relation).
// Raises nothing.
Product tableProduct(Operand left, Operand right);

// A merge of the two row lists in one pass: when both are ascending and free
// of duplicates, their ascending union. Other operands are merged as they
// stand, neither sorted nor checked. Raises "Scheme Mismatch_1 at union" at
// the first common position whose types differ, else "Scheme Mismatch_2 at
// union" when the attribute counts differ.
Table tableUnion(const Relation& left, const Relation& right);

// The difference merge: a left row is dropped only when it meets an equal
// right row at the merge front. Raises "Scheme Mismatch_1 at minus" or
// "Scheme Mismatch_2 at minus" as tableUnion does.
Table tableMinus(const Relation& left, const Relation& right);

// The columns named, in the order named (the first attribute of a name
// wins), with the rows sorted ascending and freed of duplicates. Raises
// "Scheme Mismatch at project" for a name no attribute carries, before
// anything is built, and "Row too short at project" for a row without a
// value at a requested position.
Table tableProject(const Relation& source, const std::vector<std::string>& names);

// The source under newName, its attributes renamed position by position,
// types, lengths and rows unchanged: the rows are not copied, a stored
// table's stay borrowed and a product stays unbuilt. Raises "Scheme Mismatch
// at rename" when the number of names differs from the number of
// attributes.
Operand tableRename(Operand source, std::string newName,
                    const std::vector<std::string>& newAttributeNames);

// The source rows, in order, for which condition (read against the source's
// schema) holds. A product's rows are read without building it. Raises "Row
// too short at select" where the condition reads past a row's end.
Table tableSelect(const Relation& source, const Condition& condition);
