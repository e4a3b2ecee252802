// The comparison of an answer's result with the reference's under an
// exercise's policies.
#pragma once

#include "check/checker.h"
#include "check/sheet.h"
#include "model/relation.h"

// Whether the schemas agree: as many attributes, of the same type and
// declared length position by position, and under ColumnPolicy::NAMES the
// same names too. Table names never count.
bool schemasAgree(const Schema& answer, const Schema& reference, ColumnPolicy columns);

// Whether the rows agree under the policy: as sets, as bags or as lists.
// Rows are compared by value, kinds counting (the integer 5 is not '5').
bool rowsAgree(const Relation& answer, const Relation& reference, RowPolicy rows);

// Compares answer with reference and fills result's verdict (right,
// wrong-schema or wrong-result), its schemas, its row counts and, for a
// wrong result, its missing and excess rows or its first order difference.
// Neither relation may be an unbuilt product.
void compareResults(const Relation& answer, const Relation& reference, RowPolicy rows,
                    ColumnPolicy columns, InstanceResult& result);
