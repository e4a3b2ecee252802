// The trace of a query's reading against the command line:
//
//   trace_check print INPUT           print INPUT's trace as the page gets it
//   trace_check nodes RAEVAL DIR      check every input file in DIR (below)
//
// For each input whose query succeeds, every node of its trace is run as a
// query of its own (its span in place of line 1, the same tables) through the
// command line RAEVAL: the printed result must be the node's table, byte for
// byte (all rows up to the trace's limit; beyond it, those rows and as many
// more as the node counts). For each input whose query raises an error, the
// trace's last node must be the one where reading stopped, and its span must
// hold the column where reading stopped. For every input, the tokens must
// agree with the nodes: they ascend without overlapping, each node read to
// its end begins with its keyword's or table name's token and ends with a
// token, each argument is a token of its own or, a condition, starts on
// one; and the editor's analysis of the same input (which reads the
// query against the schemas alone) gives the same tokens, or more where
// the run stopped at an error only rows raise. Prints a line per failure and
// the figures; exits 1 on any failure.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "io/analysis.h"
#include "io/driver.h"
#include "io/output.h"
#include "io/printer.h"
#include "io/trace_json.h"
#include "query/trace.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

constexpr const char* kNativeFailed = "(the command line failed)";

// The command line's output file for input; kNativeFailed when its status is
// not 0 (memory ran out).
std::string runNative(const std::string& raeval, const fs::path& work, std::string_view input) {
  const fs::path in = work / "node.in";
  const fs::path out = work / "node.out";
  writeFile(in, input);
  fs::remove(out);
  const std::string command = "'" + raeval + "' '" + in.string() + "' '" + out.string() + "'";
  if (std::system(command.c_str()) != 0) return kNativeFailed;
  return readFile(out);
}

// input with its query line (after a byte-order mark) replaced by query.
std::string withQuery(std::string_view input, std::string_view query) {
  std::size_t start = input.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  std::size_t end = input.find('\n');
  if (end == std::string_view::npos) end = input.size();
  if (end > start && input[end - 1] == '\r') --end;
  return std::string(input.substr(0, start)) + std::string(query) + std::string(input.substr(end));
}

std::string printed(const Table& table) {
  StringOutput out;
  printTable(table, out);
  return out.text();
}

struct Figures {
  int inputs = 0;
  int succeeded = 0;
  int failedInQuery = 0;
  long nodes = 0;
  long longNodes = 0;
  long refused = 0;
  long tokens = 0;
  int failures = 0;
};

void fail(Figures& figures, const std::string& what) {
  ++figures.failures;
  std::cout << "FAIL " << what << "\n";
}

std::string_view queryLine(std::string_view input) {
  if (input.starts_with("\xEF\xBB\xBF")) input.remove_prefix(3);
  input = input.substr(0, input.find('\n'));
  if (input.ends_with('\r')) input.remove_suffix(1);
  return input;
}

// The text of the columns first to last, blanks dropped, in capitals when
// upper.
std::string wordAt(std::string_view query, std::size_t first, std::size_t last, bool upper) {
  std::string word;
  for (std::size_t at = first; at <= last && at <= query.size(); ++at) {
    const char c = query[at - 1];
    if (c == ' ') continue;
    word += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return word;
}

bool sameTokens(const Token& a, const Token& b) {
  return a.kind == b.kind && a.first == b.first && a.last == b.last;
}

void checkTokens(const std::string& name, std::string_view input, const QueryTrace& trace,
                 Figures& figures) {
  const std::string_view query = queryLine(input);
  const std::vector<Token>& tokens = trace.tokens();
  figures.tokens += static_cast<long>(tokens.size());
  std::size_t previous = 0;
  for (const Token& token : tokens) {
    if (token.first <= previous || token.last < token.first || token.last > query.size()) {
      fail(figures, name + ": token " + tokenKindName(token.kind) + " " +
                        std::to_string(token.first) + "-" + std::to_string(token.last) +
                        " out of order or outside the query");
      return;
    }
    previous = token.last;
  }
  const auto startingAt = [&](std::size_t column) -> const Token* {
    for (const Token& token : tokens) {
      if (token.first == column) return &token;
    }
    return nullptr;
  };
  const auto endingAt = [&](std::size_t column) -> const Token* {
    for (const Token& token : tokens) {
      if (token.last == column) return &token;
    }
    return nullptr;
  };
  for (const TraceNode& node : trace.nodes()) {
    if (!node.done) continue;
    const std::string what = name + ": " + node.label + " at " + std::to_string(node.first);
    const Token* head = startingAt(node.first);
    const bool form = !node.children.empty() || head == nullptr || head->kind == TokenKind::KEYWORD;
    const TokenKind expected = form ? TokenKind::KEYWORD : TokenKind::TABLE;
    if (head == nullptr || head->kind != expected ||
        wordAt(query, head->first, head->last, form) != node.label) {
      fail(figures, what + ": no " + tokenKindName(expected) + " token for its label");
    }
    if (endingAt(node.last) == nullptr) fail(figures, what + ": its span ends on no token");
    for (const TraceArgument& argument : node.arguments) {
      const Token* start = startingAt(argument.first);
      const Token* end = endingAt(argument.last);
      const bool condition = node.label == "SELECT";
      // Text after a condition's end is never read.
      if (start == nullptr || (!condition && start != end) ||
          (!condition && wordAt(query, argument.first, argument.last, false) != argument.text)) {
        fail(figures, what + ": argument " + argument.text + " is not read as tokens");
      }
    }
  }
  // The editor's tokens: the same, or more where the run stopped at an
  // error that only rows raise.
  const InputAnalysis analysis = analyseInput(input);
  if (analysis.tokens.size() < tokens.size() ||
      !std::equal(tokens.begin(), tokens.end(), analysis.tokens.begin(), sameTokens)) {
    fail(figures, name + ": the analysis reads other tokens than the run");
  }
}

void checkInput(const std::string& raeval, const fs::path& file, const fs::path& work,
                Figures& figures) {
  const std::string input = readFile(file);
  QueryTrace trace;
  StringOutput out;
  ErrorPlace place;
  if (!evaluateInputWithinMemory(input, out, &place, &trace) || place.line > 0) return;
  ++figures.inputs;
  const std::string name = file.filename().string();
  checkTokens(name, input, trace, figures);
  const std::vector<TraceNode>& nodes = trace.nodes();
  if (trace.stopped() >= 0) {
    ++figures.failedInQuery;
    // The last node in the page's order is the innermost unfinished one.
    const TraceNode& stopped = nodes[static_cast<std::size_t>(trace.stopped())];
    bool innermost = !stopped.done;
    for (const std::size_t child : stopped.children) innermost = innermost && nodes[child].done;
    for (const TraceNode& node : nodes) {
      if (&node != &stopped && !node.done && node.first > stopped.first) innermost = false;
    }
    if (!innermost) fail(figures, name + ": the node where reading stopped is not the innermost");
    if (place.column < stopped.first || place.column > stopped.last) {
      fail(figures, name + ": column " + std::to_string(place.column) + " outside the span " +
                        std::to_string(stopped.first) + "-" + std::to_string(stopped.last));
    }
    const std::string json = traceToJson(trace);
    const std::size_t lastNode = json.rfind("\n{\"label\":");
    if (!json.ends_with(",\"stopped\":" + std::to_string(nodes.size() - 1) + "}\n") ||
        lastNode == std::string::npos ||
        json.find("\"done\":false", lastNode) == std::string::npos) {
      fail(figures, name + ": the trace's last node is not the one where reading stopped");
    }
    return;
  }
  ++figures.succeeded;
  // The output before a result: the echo of line 2 on and its empty line,
  // taken from a run whose query is empty (it raises at once).
  const std::string failing = runNative(raeval, work, withQuery(input, ""));
  const std::size_t errorLine = failing.rfind("ERROR: ", failing.size() - 1);
  if (failing.empty() || failing[0] != '\n' || errorLine == std::string::npos) {
    fail(figures, name + ": no echo to compare against");
    return;
  }
  const std::string echo = failing.substr(1, errorLine - 1);
  const std::string_view query = [&] {
    std::string_view q = input;
    if (q.starts_with("\xEF\xBB\xBF")) q.remove_prefix(3);
    q = q.substr(0, q.find('\n'));
    if (q.ends_with('\r')) q.remove_suffix(1);
    return q;
  }();
  for (const TraceNode& node : nodes) {
    ++figures.nodes;
    const std::string span(query.substr(node.first - 1, node.last - node.first + 1));
    const std::string expectedStart = span + "\n" + echo + printed(node.table);
    const std::string got = runNative(raeval, work, withQuery(input, span));
    const std::string what = name + ": " + node.label + " " + span;
    if (node.rows <= kTracedRows) {
      if (got != expectedStart) fail(figures, what + ": the command line printed\n" + got);
      continue;
    }
    // A product too big to build alone (where a SELECT streamed it) is
    // refused by the command line as a query of its own: nothing to compare.
    if ((got == kNativeFailed || got.ends_with("\nERROR: Out of memory\n")) &&
        node.rows > kTracedRows * kTracedRows) {
      ++figures.refused;
      continue;
    }
    ++figures.longNodes;
    // The first rows, then the rest: rows less the traced ones, and the empty line.
    const std::string head = expectedStart.substr(0, expectedStart.size() - 1);
    const auto restLines = static_cast<std::uint64_t>(
        got.size() < head.size()
            ? 0
            : std::count(got.begin() + static_cast<std::ptrdiff_t>(head.size()), got.end(), '\n'));
    if (!got.starts_with(head) || restLines != node.rows - kTracedRows + 1) {
      fail(figures, what + ": the first rows or the count differ");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "print") {
    QueryTrace trace;
    StringOutput out;
    evaluateInputWithinMemory(readFile(args[1]), out, nullptr, &trace);
    std::cout << traceToJson(trace);
    return 0;
  }
  if (args.size() != 3 || args[0] != "nodes") {
    std::cerr << "usage: trace_check print INPUT | trace_check nodes RAEVAL DIR\n";
    return 2;
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(args[2])) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  const fs::path work = fs::path(args[2]).concat(".work");
  fs::create_directories(work);
  Figures figures;
  for (const fs::path& file : files) checkInput(args[1], file, work, figures);
  fs::remove_all(work);
  std::cout << figures.inputs << " inputs: " << figures.succeeded << " succeed, "
            << figures.failedInQuery << " raise an error in the query; " << figures.nodes
            << " nodes run as queries of their own (" << figures.longNodes << " of more than "
            << kTracedRows << " rows; " << figures.refused
            << " too big for the command line to build alone); " << figures.tokens << " tokens; "
            << figures.failures << " failures\n";
  return figures.failures == 0 ? 0 : 1;
}
