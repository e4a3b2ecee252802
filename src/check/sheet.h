// Exercise sheets: one text file that a teacher writes, holding exercises,
// their reference queries and the instances (tables) they are checked on.
// readSheet reads the whole sheet, loads every instance's tables with the
// engine's own loader and runs every reference on every instance of its
// exercise; a sheet with any fault is refused as a whole.
//
// The format, in the style of the project's case files: blocks that start
// with "=== ", sections that start with "--- "; a content section runs
// verbatim up to the next line that starts with "=== " or "--- ", and its
// trailing empty lines are dropped. Lines starting with "#" before the first
// block are the sheet's comment.
//
//   === sheet TITLE                  optional, first: the sheet's title
//   --- text                         optional: the sheet's introduction
//   === instance NAME visible|hidden [points N] [counterexample shown|hidden]
//   TABLES...                        as in an input file from its line 3 on
//   === exercise ID                  ID: letters, digits, "_", "-", "."
//   --- text                         what the student reads
//   --- reference QUERY              one or more, equally good
//   --- rows set|bag|list            default set
//   --- columns position|names       default position
//   --- forbid KEYWORD...            keywords the answer must not use
//   --- require KEYWORD...           keywords the answer must use
//   --- instances NAME...            sheet-level instances; default all
//   --- instance NAME visible|hidden [points N] [counterexample shown|hidden]
//   TABLES...                        an instance of this exercise only
//
// Points default to 1 per instance. A visible instance's counterexample is
// shown; a hidden one's only with "counterexample shown".
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "check/limits.h"
#include "model/table.h"

// How the rows of an answer are compared with the reference's: as a set
// (order and duplicates ignored), as a bag (duplicates counted, order
// ignored) or as a list (order and duplicates count).
enum class RowPolicy { SET, BAG, LIST };

// How the columns are compared: their number and types by position, or
// their names too.
enum class ColumnPolicy { POSITION, NAMES };

// The refusal of a sheet: the sheet's line (from 1) where the fault is and a
// message that names it. what() is "PATH:LINE: message".
class SheetError : public std::runtime_error {
 public:
  SheetError(const std::string& path, std::size_t line, const std::string& message);

  const std::string& path() const { return path_; }
  std::size_t line() const { return line_; }
  const std::string& message() const { return message_; }

 private:
  std::string path_;
  std::size_t line_;
  std::string message_;
};

// One instance: tables that answers are run on. Its tables are loaded once,
// when the sheet is read, and only read afterwards.
struct Instance {
  std::string name;
  bool visible = true;
  int points = 1;
  // Whether a counterexample found on this instance may be shown.
  bool counterexampleShown = true;
  // The sheet's line of the instance's "=== instance" or "--- instance".
  std::size_t line = 0;
  // True for an instance that belongs to one exercise ("--- instance").
  bool own = false;

  // The tables' text as the sheet holds it (lines ending with "\n"), fit to
  // stand in an input file from its line 3 on.
  std::string tablesText;
  // The tables as the engine loaded them; a later table of a name already
  // loaded is dropped, as the engine does.
  TableRegistry registry;
  // The names of the tables in registry, in the order they were defined.
  std::vector<std::string> tableNames;
};

struct Reference {
  std::string query;
  std::size_t line = 0;  // the sheet's line of its "--- reference"
};

struct Exercise {
  std::string id;
  std::string text;                   // what the student reads; may be empty
  std::size_t line = 0;               // the sheet's line of its "=== exercise"
  std::vector<Reference> references;  // at least one
  RowPolicy rows = RowPolicy::SET;
  ColumnPolicy columns = ColumnPolicy::POSITION;
  // Keywords in capitals: operator keywords (UNION ... SELECT) and condition
  // keywords (EQ ... NOT).
  std::vector<std::string> forbid;
  std::vector<std::string> require;
  // Indexes into Sheet::instances, in the order they are checked: the
  // sheet-level instances it names (all of them by default), then its own.
  std::vector<std::size_t> instances;
};

struct Sheet {
  std::string path;
  std::string title;    // empty when the sheet has no "=== sheet" block
  std::string text;     // the sheet's introduction
  std::string comment;  // the "#" lines before the first block, "#" kept, "\n" after each
  // The sheet-level instances in sheet order, then every exercise's own.
  std::vector<Instance> instances;
  std::vector<Exercise> exercises;

  // The exercise with this id, or nullptr.
  const Exercise* findExercise(std::string_view id) const;
};

// Reads a sheet from its text; path is used in messages only. A leading
// UTF-8 byte-order mark is dropped and a line's final carriage return too.
// Every reference is run on every instance of its exercise, under limits.
// Raises SheetError for: an unknown block or section, an unknown policy
// value or instance option, a duplicate exercise id or instance name, an
// unknown instance name, an exercise without a reference or without an
// instance, a bad forbid/require keyword, a table that does not load (the
// loader's own message, at the sheet line that raised it), a reference that
// raises an ERROR on one of its instances (the "ERROR: " line, and which
// reference and instance) or runs past the limits, and two references that
// disagree on an instance under the exercise's policies.
Sheet readSheet(std::string_view text, const std::string& path, const Limits& limits = Limits{});
