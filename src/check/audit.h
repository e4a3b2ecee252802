// The audit of a sheet: the usual mistakes made in each reference (its
// mutants), each run on the exercise's instances. A mutant that every
// instance accepts survives: no instance of the sheet tells it from the
// reference, and the teacher can add a row that does, unless the mutant is
// equivalent to the reference, which no data can catch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/limits.h"
#include "check/sheet.h"
#include "model/table.h"

// One mistake made in a query: the query text with one place changed.
struct Mutant {
  std::string query;
  // What was changed, e.g. "GT -> GTE", "AND operand dropped", "PROJECT
  // left out", "MINUS operands swapped", "join condition dropped", "NOT
  // added".
  std::string change;
  // The query's columns (from 1) of the text that was changed.
  std::size_t first = 0;
  std::size_t last = 0;
};

// The mutants of query, which must run without error on tables: the engine
// reads it there and the mutants are made by splicing the query text at the
// spans it recorded. Each mutant differs from query and from every other
// mutant; the order is that of the places in the query.
//   GT <-> GTE, LT <-> LTE, EQ <-> NEQ; an AND operand dropped (either one),
//   AND <-> OR; a PROJECT left out, given one attribute more (each attribute
//   of its operand not yet projected) or one fewer (each one dropped, where
//   more than one); MINUS's operands swapped, UNION <-> MINUS; a join
//   condition dropped (an EQ between two attributes of a SELECT over a
//   PRODUCT, with the AND around it); a NOT added around a condition or
//   removed.
std::vector<Mutant> mutantsOf(std::string_view query, const TableRegistry& tables);

enum class Survival {
  CAUGHT,               // some instance of the sheet tells it from the reference
  SURVIVED,             // every instance accepts it; random tables caught it
  POSSIBLY_EQUIVALENT,  // every instance accepts it, and so did every random table tried
};

struct MutantAudit {
  Mutant mutant;
  Survival survival = Survival::CAUGHT;
  // CAUGHT: the instances that catch it, by name.
  std::vector<std::string> caughtBy;
  // SURVIVED: a small raeval input file (the mutant's query on line 1, then
  // the tables) on which the mutant and the reference differ, shrunk as a
  // counterexample is: tables the teacher can take rows from.
  std::string catchingInput;
};

struct ReferenceAudit {
  std::string exercise;
  std::size_t reference = 0;  // index into Exercise::references
  std::string query;
  std::vector<MutantAudit> mutants;
};

struct AuditOptions {
  Limits limits;
  // How many random instances to try on each survivor (0: none, and every
  // survivor is reported POSSIBLY_EQUIVALENT).
  std::size_t randomInstances = 200;
  // The seed of the random instances; the same seed gives the same report.
  std::uint64_t seed = 1;
};

// The audit of every reference of every exercise, in sheet order.
std::vector<ReferenceAudit> auditSheet(const Sheet& sheet,
                                       const AuditOptions& options = AuditOptions{});
