// libFuzzer target: the whole program, in-process, on arbitrary bytes as the
// input file's content, with the output kept in memory.
//
// Besides the sanitizers' own checks, every run is held to what the output
// file's layout guarantees whatever the input:
//   - it begins with the echo of the input (first line, second line, then
//     every non-empty line with the empty lines before it), written as far as
//     loading got;
//   - after a complete echo comes one empty line and then either the result
//     table (a schema line, row lines, an empty line) or one "ERROR: " line;
//   - a loading failure leaves a line-aligned part of the echo followed by
//     one "ERROR: " line with one of the loader's messages;
//   - the "ERROR: " line is the last one and every line ends with "\n".
//
// PROJECT, the one operator that sorts, is also checked against a plain
// model of it (copy the columns, stable sort by rowLess, drop adjacent
// duplicates) on every table the input defines, and on its PRODUCT with
// itself where that is some twenty thousand rows.
//
// Built with RAEVAL_FUZZ_GRAMMAR (fuzz_raeval_grammar), the bytes are not
// the input file but the choices from which grammar.h builds a well-formed
// one; then SELECT over PRODUCT is also checked against its model: the
// product built first and selected from row by row, which must give the same
// rows in the same order, or the same error, as the streamed product, the
// join planner and the general path each do.
//
// SELECT reads a product's rows without building them, and the printer
// writes a product's rows as it makes them, so the allocation budget below
// does not bound them; an input whose products could have more than
// kMostProductRows rows is not evaluated.
//
// Memory is budgeted: operator new is replaced so that a run which has
// allocated more than kAllocationBudget bytes in all gets std::bad_alloc, as
// it would from an exhausted machine. A PRODUCT blow-up thus ends in the
// program's own out-of-memory path, quickly, instead of in the fuzzer's RSS
// or time limit. evaluateInput lets std::bad_alloc escape by design; it must
// still have written whole lines only.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/driver.h"
#include "io/input_reader.h"
#include "io/output.h"
#include "model/query_error.h"
#include "ops/join.h"
#include "ops/operators.h"
#include "ops/product.h"
#include "query/condition.h"
#include "text/char_stream.h"

#if defined(RAEVAL_FUZZ_GRAMMAR)
#include "grammar.h"
#endif

namespace {

// All bytes that one input may allocate through operator new, freed or not.
// Also bounds the time an input can take: every row built is allocated.
constexpr std::size_t kAllocationBudget = std::size_t{256} << 20;

bool budgetArmed = false;
std::size_t allocatedThisRun = 0;

[[noreturn]] void fail(const char* what, std::string_view input, const std::string& output) {
  std::fprintf(
      stderr, "\nfuzz_raeval: %s\n--- input (%zu bytes)\n%.*s\n--- output (%zu bytes)\n%s\n", what,
      input.size(), static_cast<int>(input.size()), input.data(), output.size(), output.c_str());
  std::abort();
}

// The lines of text as the driver reads them: split at "\n", a final newline
// giving one more, empty line, and one carriage return that ends a line
// dropped.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', start);
    std::string_view line = text.substr(
        start, newline == std::string_view::npos ? std::string_view::npos : newline - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
  return lines;
}

// The whole echo, and the offsets in it at which a line ends (just after its
// "\n"), for every line that loading may have to stop at.
struct Echo {
  std::string text;
  std::vector<std::size_t> lineEnds;
};

Echo expectedEcho(std::string_view input) {
  // A UTF-8 byte-order mark that opens the input is not echoed.
  if (input.starts_with("\xEF\xBB\xBF")) input.remove_prefix(3);
  const std::vector<std::string_view> lines = splitLines(input);
  Echo echo;
  auto write = [&echo](std::string_view line) {
    echo.text.append(line);
    echo.text.push_back('\n');
    echo.lineEnds.push_back(echo.text.size());
  };
  write(lines[0]);
  write(lines.size() > 1 ? lines[1] : std::string_view());
  std::size_t pendingEmpty = 0;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].empty()) {
      ++pendingEmpty;
      continue;
    }
    echo.text.append(pendingEmpty, '\n');
    pendingEmpty = 0;
    write(lines[i]);
  }
  return echo;
}

template <std::size_t N>
bool isOneOf(std::string_view message, const std::array<std::string_view, N>& messages) {
  for (std::string_view m : messages) {
    if (message == m) return true;
  }
  return false;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// rest is exactly one "ERROR: " line; returns its message.
bool isErrorLine(std::string_view rest, std::string_view& message) {
  constexpr std::string_view kError = "ERROR: ";
  if (!startsWith(rest, kError) || !endsWith(rest, "\n")) return false;
  message = rest.substr(kError.size(), rest.size() - kError.size() - 1);
  return message.find('\n') == std::string_view::npos;
}

void checkOutput(std::string_view input, const std::string& output) {
  const Echo echo = expectedEcho(input);
  const std::string_view out = output;

  std::string_view message;
  if (startsWith(out, echo.text) && out.size() > echo.text.size() &&
      out[echo.text.size()] == '\n') {
    // Loading finished: the empty line, then the result or the query's error.
    const std::string_view rest = out.substr(echo.text.size() + 1);
    if (isErrorLine(rest, message)) {
      if (!isOneOf(message, msg::kQuery) && !endsWith(message, msg::kWrongParameter)) {
        fail("unknown message after the query was evaluated", input, output);
      }
      return;
    }
    // The result table: a schema line, row lines, one empty line. No line
    // of it can begin like an error line: names hold no blanks and row
    // lines begin with a quote or a number.
    if (!endsWith(rest, "\n\n"))
      fail("result table does not end with an empty line", input, output);
    const std::size_t schemaEnd = rest.find('\n');
    if (schemaEnd == 0 || rest[schemaEnd - 1] != ')') {
      fail("schema line does not end with ')'", input, output);
    }
    if (rest.find("\nERROR: ") != std::string_view::npos || startsWith(rest, "ERROR: ")) {
      fail("an error line inside the result table", input, output);
    }
    return;
  }

  // Loading stopped: a line-aligned part of the echo (line 3 on), then the
  // error line.
  for (std::size_t i = 2; i < echo.lineEnds.size(); ++i) {
    const std::size_t end = echo.lineEnds[i];
    if (out.size() <= end || out.substr(0, end) != std::string_view(echo.text).substr(0, end))
      continue;
    if (!isErrorLine(out.substr(end), message)) continue;
    if (!isOneOf(message, msg::kLoading)) fail("unknown message while loading", input, output);
    return;
  }
  fail("output is neither echo and result nor echo and an error line", input, output);
}

// After std::bad_alloc the output holds whole lines only, begun with the
// echo as far as it got.
void checkOutputAfterOutOfMemory(std::string_view input, const std::string& output) {
  if (!output.empty() && output.back() != '\n') fail("partial line after bad_alloc", input, output);
  const Echo echo = expectedEcho(input);
  const std::size_t common = std::min(output.size(), echo.text.size());
  if (output.compare(0, common, echo.text, 0, common) != 0) {
    fail("output after bad_alloc does not begin with the echo", input, output);
  }
}

// The tables of the input as loading builds them, up to a loading error.
std::vector<Table> loadedTables(std::string_view input) {
  const std::vector<std::string_view> lines = splitLines(input);
  std::vector<Table> tables;
  try {
    for (std::size_t i = 2; i < lines.size(); ++i) {
      if (lines[i].empty()) continue;
      tables.push_back(readTableHeader(lines[i]));
      while (++i < lines.size() && !lines[i].empty()) readDataRow(lines[i], tables.back());
    }
  } catch (const QueryError&) {
  }
  return tables;
}

// PROJECT as defined: the columns copied in the order named, then a stable
// sort by rowLess and the removal of adjacent duplicates. Empty when a row
// is too short, which must raise instead.
std::optional<std::list<Row>> projectModel(const Relation& source,
                                           const std::vector<std::size_t>& positions) {
  std::list<Row> rows;
  for (const Row& row : source.rows()) {
    Row projected;
    for (const std::size_t position : positions) {
      if (position >= row.size()) return std::nullopt;
      projected.push_back(row[position]);
    }
    rows.push_back(std::move(projected));
  }
  rows.sort(rowLess);
  rows.unique(rowEquals);
  return rows;
}

// Where the projected columns mix kinds rowLess is no strict weak order
// and the order is the sort's own; only the rows' contents are compared then.
bool kindsAgree(const std::list<Row>& rows) {
  if (rows.empty()) return true;
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (row[i].isString() != rows.front()[i].isString()) return false;
    }
  }
  return true;
}

bool sameRows(const Rows& a, const std::list<Row>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), rowEquals);
}

void checkProjectionOf(const Relation& source, const std::vector<std::size_t>& positions,
                       std::string_view input) {
  // Names that resolve to exactly these positions: the first attribute of
  // each name.
  std::vector<std::string> names;
  std::vector<std::size_t> resolved;
  for (const std::size_t position : positions) {
    names.push_back(source.schema()[position].name());
    resolved.push_back(static_cast<std::size_t>(findAttribute(source.schema(), names.back())));
  }
  const std::optional<std::list<Row>> expected = projectModel(source, resolved);
  std::optional<Table> actual;
  try {
    actual.emplace(tableProject(source, names));
  } catch (const QueryError& error) {
    if (!expected && error.message() == "Row too short at project") return;
    fail("PROJECT raised an error its model does not", input, error.message());
  }
  if (!expected) fail("PROJECT did not raise for a row too short", input, std::string());
  if (actual->schema.size() != resolved.size()) fail("PROJECT schema", input, std::string());
  // Mixed kinds too: the table's sort merges as the list's does, so that
  // even where rowLess is no strict weak order the order is the list's.
  if (!sameRows(actual->rows, *expected)) {
    fail(kindsAgree(*expected) ? "PROJECT rows differ from its model"
                               : "PROJECT rows of mixed kinds differ from its model",
         input, std::string());
  }
}

void checkProjections(std::string_view input) {
  for (const Table& table : loadedTables(input)) {
    const std::size_t n = table.schema.size();
    if (n == 0) continue;
    std::vector<std::size_t> all(n), reversed(n);
    for (std::size_t i = 0; i < n; ++i) {
      all[i] = i;
      reversed[i] = n - 1 - i;
    }
    checkProjectionOf(table, all, input);
    checkProjectionOf(table, reversed, input);
    checkProjectionOf(table, {n - 1, 0, n - 1}, input);
    const std::size_t rows = table.rows.size();
    if (rows * rows >= 16384 && rows * rows <= 32768) {  // a large table, as PRODUCT makes them
      const Relation square = buildRelation(tableProduct(table, table));
      std::vector<std::size_t> some;
      for (std::size_t i = 0; i < square.schema().size(); i += 2) some.push_back(i);
      checkProjectionOf(square, some, input);
      checkProjectionOf(square, {0}, input);
    }
  }
}

// An upper bound on the rows of any product the query can make: the most
// rows of a table to the power of the PRODUCT forms plus one.
bool productsSmallEnough(std::string_view input) {
  constexpr double kMostProductRows = 1e6;
  std::string query;
  for (const char c : input.substr(0, input.find('\n'))) {
    if (c != ' ') query += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  std::size_t products = 0;
  for (std::size_t at = query.find("PRODUCT("); at != std::string::npos;
       at = query.find("PRODUCT(", at + 1)) {
    ++products;
  }
  std::size_t most = 1;
  for (const Table& table : loadedTables(input)) most = std::max(most, table.rows.size());
  double bound = 1;
  for (std::size_t i = 0; i <= products && bound <= kMostProductRows; ++i) {
    bound *= static_cast<double>(most);
  }
  return bound <= kMostProductRows;
}

#if defined(RAEVAL_FUZZ_GRAMMAR)

// The outcome of a SELECT: its table, or its error message.
struct Selected {
  std::optional<Table> table;
  std::string error;
};

template <class Select>
Selected outcome(Select&& select) {
  Selected result;
  try {
    result.table.emplace(select());
  } catch (const QueryError& error) {
    result.error = error.message();
  }
  return result;
}

bool sameOutcome(const Selected& a, const Selected& b) {
  if (a.table.has_value() != b.table.has_value()) return false;
  if (!a.table) return a.error == b.error;
  const Table& x = *a.table;
  const Table& y = *b.table;
  if (x.name != y.name || x.schema.size() != y.schema.size()) return false;
  for (std::size_t i = 0; i < x.schema.size(); ++i) {
    if (x.schema[i].name() != y.schema[i].name()) return false;
  }
  return x.rows.size() == y.rows.size() &&
         std::equal(x.rows.begin(), x.rows.end(), y.rows.begin(), rowEquals);
}

// SELECT over the product of two or three loaded tables, against the
// product built first and selected from as a table.
void checkJoins(Choices& choices, std::string_view input) {
  const std::vector<Table> tables = loadedTables(input);
  if (tables.empty()) return;
  const unsigned count = 2 + choices.below(2);
  std::vector<const Table*> chosen;
  std::vector<std::string> attributes;
  for (unsigned i = 0; i < count; ++i) {
    chosen.push_back(&tables[choices.below(static_cast<unsigned>(tables.size()))]);
    for (const Attribute& a : chosen.back()->schema) attributes.push_back(a.name());
  }
  Product product = tableProduct(*chosen[0], *chosen[1]);
  if (count == 3) product = tableProduct(std::move(product), *chosen[2]);
  const std::string condition = generateCondition(choices, attributes, 0);

  Product unbuilt = tableProduct(*chosen[0], *chosen[1]);
  if (count == 3) unbuilt = tableProduct(std::move(unbuilt), *chosen[2]);
  const Relation built = buildRelation(std::move(unbuilt));

  const Selected expected = outcome([&] {
    CharStream text(condition);
    return tableSelect(built, Condition(built.schema(), text, true));
  });
  const Selected streamed = outcome([&] {
    CharStream text(condition);
    return selectFromProduct(product, Condition(product.schema(), text, true));
  });
  if (!sameOutcome(expected, streamed))
    fail("SELECT over PRODUCT differs from its model", input, condition);
  const Selected general = outcome([&] {
    CharStream text(condition);
    const Condition c(product.schema(), text, true);
    return selectEachProductRow(product, c);
  });
  if (!sameOutcome(expected, general))
    fail("the general path differs from the model", input, condition);
  if (rowsMatchSchemas(product)) {
    const Selected joined = outcome([&] {
      CharStream text(condition);
      const Condition c(product.schema(), text, true);
      return selectByJoin(product, c);
    });
    if (!sameOutcome(expected, joined)) fail("the join differs from the model", input, condition);
  }
}

#endif

}  // namespace

// The budget applies only while budgetArmed is set, that is, inside
// evaluateInput. It counts what is allocated, not what is live, so delete
// need not know sizes. Every scalar form is replaced, so that each block is
// freed by the allocator that gave it; the array and aligned forms stay the
// sanitizer's own.
namespace {

void* allocate(std::size_t size) noexcept {
  if (budgetArmed) {
    if (size > kAllocationBudget - allocatedThisRun) return nullptr;
    allocatedThisRun += size;
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#if defined(RAEVAL_FUZZ_GRAMMAR)
  Choices choices(data, size);
  const std::string generated = generateInput(choices).text;
  const std::string_view input = generated;
  checkJoins(choices, input);
#else
  const std::string_view input(reinterpret_cast<const char*>(data), size);
#endif
  if (!productsSmallEnough(input)) return 0;
  StringOutput out;
  bool outOfMemory = false;
  allocatedThisRun = 0;
  budgetArmed = true;
  try {
    evaluateInput(input, out);
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  budgetArmed = false;
  if (outOfMemory) {
    checkOutputAfterOutOfMemory(input, out.text());
  } else {
    checkOutput(input, out.text());
  }
  checkProjections(input);
  return 0;
}
