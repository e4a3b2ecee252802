#include "check/sheet.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/checker.h"
#include "check/compare.h"
#include "check/rules.h"
#include "check/run.h"
#include "io/line_reader.h"
#include "io/output.h"
#include "io/table_loader.h"
#include "model/query_error.h"
#include "ops/forms.h"
#include "query/condition.h"
#include "query/evaluator.h"
#include "query/trace.h"
#include "text/chars.h"

namespace {

// Whether word, in capitals, is a keyword of the engine's tables: an
// operator form's or a condition's.
bool isKeyword(std::string_view word) {
  return std::any_of(kOperatorForms.begin(), kOperatorForms.end(),
                     [&](const OperatorForm& form) { return form.keyword == word; }) ||
         findConditionKeyword(word) != nullptr;
}

struct Line {
  std::string_view text;
  std::size_t number;
};

// The sheet's lines, numbered from 1, without a leading byte-order mark and
// without the carriage return that ends a CRLF line. A final newline ends
// the last line and begins none.
std::vector<Line> splitLines(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<Line> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({line, lines.size() + 1});
    at = end + 1;
  }
  return lines;
}

bool startsBlock(std::string_view line) { return line.starts_with("=== "); }
bool startsSection(std::string_view line) { return line.starts_with("--- "); }

// The words of text, split at spaces.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> found;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    std::size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    found.push_back(text.substr(at, end - at));
    at = end;
  }
  return found;
}

// The first word of a "=== " or "--- " line and the rest after its space.
std::pair<std::string_view, std::string_view> nameAndRest(std::string_view line) {
  std::string_view rest = line.substr(4);
  const std::size_t space = rest.find(' ');
  if (space == std::string_view::npos) return {rest, {}};
  return {rest.substr(0, space), rest.substr(space + 1)};
}

bool isIdentifier(std::string_view id) {
  if (id.empty()) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
  });
}

// The echo of tables loaded from a sheet, which nobody reads.
class DiscardedOutput : public LineOutput {
 protected:
  void deliver(std::string_view /*line*/) override {}
};

std::string quoted(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result.push_back('"');
  result.append(text);
  result.push_back('"');
  return result;
}

class SheetReader {
 public:
  SheetReader(std::string_view text, const std::string& path, const Limits& limits)
      : lines_(splitLines(text)), limits_(limits) {
    sheet_.path = path;
  }

  Sheet read() {
    readComment();
    bool first = true;
    while (at_ < lines_.size()) {
      const Line& line = lines_[at_++];
      const auto [kind, rest] = nameAndRest(line.text);
      if (startsSection(line.text)) {
        // Only an instance block ends at a section: its tables are its content.
        fail(line.number,
             "unknown section " + quoted("--- " + std::string(kind)) + " in an instance block");
      }
      if (kind == "sheet") {
        if (!first) fail(line.number, "the \"=== sheet\" block must come first");
        readSheetBlock(line, rest);
      } else if (kind == "instance") {
        readInstance(line, rest, false);
      } else if (kind == "exercise") {
        readExercise(line, rest);
      } else {
        fail(line.number, "unknown block " + quoted("=== " + std::string(kind)));
      }
      first = false;
    }
    resolveInstances();
    for (Exercise& exercise : sheet_.exercises) runReferences(exercise);
    return std::move(sheet_);
  }

 private:
  [[noreturn]] void fail(std::size_t line, const std::string& message) const {
    throw SheetError(sheet_.path, line, message);
  }

  void readComment() {
    for (; at_ < lines_.size() && !startsBlock(lines_[at_].text); ++at_) {
      const Line& line = lines_[at_];
      if (line.text.starts_with("#")) {
        sheet_.comment += std::string(line.text) + "\n";
      } else if (!line.text.empty()) {
        fail(line.number, "text before the first block");
      }
    }
  }

  // The lines up to the next block or section, trailing empty lines dropped.
  std::vector<Line> content() {
    std::vector<Line> found;
    for (; at_ < lines_.size(); ++at_) {
      const Line& line = lines_[at_];
      if (startsBlock(line.text) || startsSection(line.text)) break;
      found.push_back(line);
    }
    while (!found.empty() && found.back().text.empty()) found.pop_back();
    return found;
  }

  static std::string joined(const std::vector<Line>& lines) {
    std::string text;
    for (const Line& line : lines) text += std::string(line.text) + "\n";
    return text;
  }

  // After a section that takes no content: only empty lines may follow it.
  void noContent(std::string_view name) {
    const std::vector<Line> extra = content();
    if (!extra.empty()) {
      fail(extra.front().number, "text after " + quoted("--- " + std::string(name)));
    }
  }

  // The next section of a block, or nullptr at the next block or the end;
  // text outside a section is refused.
  const Line* nextSection() {
    const std::vector<Line> stray = content();
    if (!stray.empty()) fail(stray.front().number, "text outside a section");
    if (at_ == lines_.size() || startsBlock(lines_[at_].text)) return nullptr;
    return &lines_[at_++];
  }

  void readSheetBlock(const Line& header, std::string_view title) {
    if (title.empty()) fail(header.number, "the sheet has no title");
    sheet_.title = std::string(title);
    bool text = false;
    while (const Line* section = nextSection()) {
      const auto [name, rest] = nameAndRest(section->text);
      if (name != "text")
        fail(section->number,
             "unknown section " + quoted("--- " + std::string(name)) + " in the sheet block");
      if (text) fail(section->number, "a second \"--- text\"");
      text = true;
      sheet_.text = joined(content());
    }
  }

  void readInstance(const Line& header, std::string_view rest, bool own) {
    const std::vector<std::string_view> options = words(rest);
    Instance instance;
    instance.line = header.number;
    instance.own = own;
    if (options.empty() || !isIdentifier(options[0])) {
      fail(header.number, "an instance needs a name of letters, digits, \"_\", \"-\" and \".\"");
    }
    instance.name = std::string(options[0]);
    for (const Instance& other : sheet_.instances) {
      if (other.name == instance.name) {
        fail(header.number, "a second instance " + quoted(instance.name) + " (the first at line " +
                                std::to_string(other.line) + ")");
      }
    }
    if (options.size() < 2 || (options[1] != "visible" && options[1] != "hidden")) {
      fail(header.number, "instance " + quoted(instance.name) + " must be visible or hidden");
    }
    instance.visible = options[1] == "visible";
    bool counterexampleGiven = false;
    for (std::size_t i = 2; i < options.size(); i += 2) {
      if (options[i] == "points" && i + 1 < options.size()) {
        int points = 0;
        const std::string_view n = options[i + 1];
        const auto [end, error] = std::from_chars(n.data(), n.data() + n.size(), points);
        if (error != std::errc() || end != n.data() + n.size() || points < 0 || n[0] == '+') {
          fail(header.number, "points must be a whole number, not " + quoted(n));
        }
        instance.points = points;
      } else if (options[i] == "counterexample" && i + 1 < options.size() &&
                 (options[i + 1] == "shown" || options[i + 1] == "hidden")) {
        instance.counterexampleShown = options[i + 1] == "shown";
        counterexampleGiven = true;
      } else {
        fail(header.number, "unknown instance option " + quoted(options[i]));
      }
    }
    if (!counterexampleGiven) instance.counterexampleShown = instance.visible;

    const std::vector<Line> tables = content();
    instance.tablesText = joined(tables);
    // Loaded as the engine loads an input file's tables, the echo dropped.
    LineReader reader(instance.tablesText);
    DiscardedOutput echo;
    std::vector<HeaderRead> headers;
    try {
      if (!tables.empty()) loadTables(reader, echo, instance.registry, &headers);
    } catch (const QueryError& error) {
      fail(tables[reader.lastLineNumber() - 1].number,
           "a table of instance " + quoted(instance.name) + " does not load: " + error.message());
    }
    for (const HeaderRead& header : headers) {
      if (header.stored) instance.tableNames.push_back(header.name);
    }
    if (instance.tableNames.empty()) {
      fail(header.number, "instance " + quoted(instance.name) + " has no table");
    }
    sheet_.instances.push_back(std::move(instance));
  }

  void readKeywords(const Line& section, std::string_view name, std::string_view rest,
                    std::vector<std::string>& into) {
    const std::vector<std::string_view> given = words(rest);
    if (given.empty())
      fail(section.number, quoted("--- " + std::string(name)) + " names no keyword");
    for (const std::string_view word : given) {
      std::string keyword(word);
      for (char& c : keyword) c = toUpperAscii(c);
      if (!isKeyword(keyword)) {
        fail(section.number,
             "unknown keyword " + quoted(word) + " in " + quoted("--- " + std::string(name)));
      }
      if (std::find(into.begin(), into.end(), keyword) == into.end()) into.push_back(keyword);
    }
  }

  void readExercise(const Line& header, std::string_view id) {
    if (!isIdentifier(id)) {
      fail(header.number, "an exercise needs an id of letters, digits, \"_\", \"-\" and \".\"");
    }
    for (const Exercise& other : sheet_.exercises) {
      if (other.id == id) {
        fail(header.number, "a second exercise " + quoted(id) + " (the first at line " +
                                std::to_string(other.line) + ")");
      }
    }
    Exercise exercise;
    exercise.id = std::string(id);
    exercise.line = header.number;
    std::vector<std::string_view> seen;
    std::vector<std::size_t> own;
    std::optional<std::vector<std::string_view>> named;
    std::size_t namedLine = 0;
    while (const Line* section = nextSection()) {
      const Line& line = *section;
      const auto [name, rest] = nameAndRest(line.text);
      const bool repeatable = name == "reference" || name == "instance";
      if (!repeatable && std::find(seen.begin(), seen.end(), name) != seen.end()) {
        fail(line.number, "a second " + quoted("--- " + std::string(name)));
      }
      seen.push_back(name);
      if (name == "text") {
        exercise.text = joined(content());
      } else if (name == "reference") {
        if (rest.empty()) fail(line.number, "a reference needs its query on its line");
        exercise.references.push_back({std::string(rest), line.number});
        noContent(name);
      } else if (name == "rows") {
        if (rest == "set") {
          exercise.rows = RowPolicy::SET;
        } else if (rest == "bag") {
          exercise.rows = RowPolicy::BAG;
        } else if (rest == "list") {
          exercise.rows = RowPolicy::LIST;
        } else {
          fail(line.number, "unknown rows policy " + quoted(rest) + " (set, bag or list)");
        }
        noContent(name);
      } else if (name == "columns") {
        if (rest == "position") {
          exercise.columns = ColumnPolicy::POSITION;
        } else if (rest == "names") {
          exercise.columns = ColumnPolicy::NAMES;
        } else {
          fail(line.number, "unknown columns policy " + quoted(rest) + " (position or names)");
        }
        noContent(name);
      } else if (name == "forbid") {
        readKeywords(line, name, rest, exercise.forbid);
        noContent(name);
      } else if (name == "require") {
        readKeywords(line, name, rest, exercise.require);
        noContent(name);
      } else if (name == "instances") {
        named = words(rest);
        namedLine = line.number;
        if (named->empty()) fail(line.number, "\"--- instances\" names no instance");
        noContent(name);
      } else if (name == "instance") {
        readInstance(line, rest, true);
        own.push_back(sheet_.instances.size() - 1);
      } else {
        fail(line.number, "unknown section " + quoted("--- " + std::string(name)));
      }
    }
    for (const std::string& keyword : exercise.forbid) {
      if (std::find(exercise.require.begin(), exercise.require.end(), keyword) !=
          exercise.require.end()) {
        fail(header.number, keyword + " is both forbidden and required");
      }
    }
    if (exercise.references.empty()) {
      fail(header.number, "exercise " + quoted(exercise.id) + " has no reference");
    }
    exercise.instances = std::move(own);
    sheet_.exercises.push_back(std::move(exercise));
    pending_.push_back({named, namedLine});
  }

  // Puts each exercise's sheet-level instances before its own: all of
  // them, or those its "--- instances" names. Instances may be defined
  // after the exercises that use them.
  void resolveInstances() {
    for (std::size_t e = 0; e < sheet_.exercises.size(); ++e) {
      Exercise& exercise = sheet_.exercises[e];
      std::vector<std::size_t> chosen;
      const auto& [named, namedLine] = pending_[e];
      if (named) {
        for (const std::string_view name : *named) {
          std::size_t found = sheet_.instances.size();
          for (std::size_t i = 0; i < sheet_.instances.size(); ++i) {
            if (!sheet_.instances[i].own && sheet_.instances[i].name == name) found = i;
          }
          if (found == sheet_.instances.size()) {
            fail(namedLine, "unknown instance " + quoted(name));
          }
          if (std::find(chosen.begin(), chosen.end(), found) != chosen.end()) {
            fail(namedLine, "instance " + quoted(name) + " named twice");
          }
          chosen.push_back(found);
        }
      } else {
        for (std::size_t i = 0; i < sheet_.instances.size(); ++i) {
          if (!sheet_.instances[i].own) chosen.push_back(i);
        }
      }
      chosen.insert(chosen.end(), exercise.instances.begin(), exercise.instances.end());
      if (chosen.empty())
        fail(exercise.line, "exercise " + quoted(exercise.id) + " has no instance");
      exercise.instances = std::move(chosen);
    }
  }

  // Every reference must run on every instance, and all of them must agree
  // with the first under the exercise's policies.
  void runReferences(const Exercise& exercise) const {
    for (const std::size_t index : exercise.instances) {
      const Instance& instance = sheet_.instances[index];
      std::vector<Outcome> outcomes;
      for (std::size_t r = 0; r < exercise.references.size(); ++r) {
        const Reference& reference = exercise.references[r];
        QueryTrace trace;
        Outcome outcome = runQuery(reference.query, instance.registry, limits_, &trace);
        const std::string which = "reference " + std::to_string(r + 1) + " of exercise " +
                                  quoted(exercise.id) + " on instance " + quoted(instance.name);
        if (outcome.kind == OutcomeKind::ERROR) {
          fail(reference.line, which + ": " + outcome.errorLine + " (at column " +
                                   std::to_string(outcome.errorColumn) + ")");
        }
        if (outcome.kind == OutcomeKind::LIMIT) {
          fail(reference.line, which + ": runs past the " + outcome.limit + " limit");
        }
        const std::string rule = brokenRule(exercise, trace, reference.query, true);
        if (!rule.empty()) {
          std::string message = which;
          message += ": breaks its own rule: ";
          message += rule;
          fail(reference.line, message);
        }
        if (r > 0) {
          InstanceResult compared;
          compareResults(*outcome.result, *outcomes.front().result, exercise.rows, exercise.columns,
                         compared);
          if (compared.verdict != Verdict::RIGHT) {
            fail(reference.line, "references 1 and " + std::to_string(r + 1) + " of exercise " +
                                     quoted(exercise.id) + " disagree on instance " +
                                     quoted(instance.name) + " (" +
                                     std::string(verdictName(compared.verdict)) + ")");
          }
        }
        outcomes.push_back(std::move(outcome));
      }
    }
  }

  std::vector<Line> lines_;
  std::size_t at_ = 0;
  Limits limits_;
  Sheet sheet_;
  // Per exercise, the instances its "--- instances" named and that line.
  std::vector<std::pair<std::optional<std::vector<std::string_view>>, std::size_t>> pending_;
};

}  // namespace

SheetError::SheetError(const std::string& path, std::size_t line, const std::string& message)
    : std::runtime_error(path + ":" + std::to_string(line) + ": " + message),
      path_(path),
      line_(line),
      message_(message) {}

const Exercise* Sheet::findExercise(std::string_view id) const {
  for (const Exercise& exercise : exercises) {
    if (exercise.id == id) return &exercise;
  }
  return nullptr;
}

Sheet readSheet(std::string_view text, const std::string& path, const Limits& limits) {
  return SheetReader(text, path, limits).read();
}
