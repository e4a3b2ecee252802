#include "check/report_details.h"

namespace {

std::string rowsText(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

void listRows(std::vector<std::string>& lines, const std::string& what,
              const std::vector<RowDifference>& rows, std::size_t rowsListed) {
  for (std::size_t i = 0; i < rows.size() && i < rowsListed; ++i) {
    std::string line = what + ": " + rows[i].text;
    if (rows[i].count > 1) line += " (" + std::to_string(rows[i].count) + " times)";
    lines.push_back(line);
  }
  if (rows.size() > rowsListed)
    lines.push_back("... and " + std::to_string(rows.size() - rowsListed) + " more " + what);
}

std::uint64_t totalCount(const std::vector<RowDifference>& rows) {
  std::uint64_t total = 0;
  for (const RowDifference& row : rows) total += row.count;
  return total;
}

}  // namespace

std::vector<ExerciseTotals> exerciseTotals(const std::vector<SubmissionResult>& submissions) {
  std::vector<ExerciseTotals> totals;
  for (const SubmissionResult& submission : submissions) {
    for (const AnswerResult& answer : submission.answers) {
      ExerciseTotals* t = nullptr;
      for (ExerciseTotals& existing : totals) {
        if (existing.exercise == answer.exercise) t = &existing;
      }
      if (t == nullptr) {
        totals.push_back(ExerciseTotals{answer.exercise});
        t = &totals.back();
      }
      if (answer.verdict != Verdict::MISSING) ++t->answers;
      if (answer.verdict == Verdict::RIGHT) ++t->right;
      t->points += answer.points;
      t->pointsPossible += answer.pointsPossible;
    }
  }
  return totals;
}

std::size_t submissionsAllRight(const std::vector<SubmissionResult>& submissions) {
  std::size_t count = 0;
  for (const SubmissionResult& submission : submissions) {
    bool everyRight = true;
    for (const AnswerResult& answer : submission.answers)
      everyRight &= answer.verdict == Verdict::RIGHT;
    if (everyRight) ++count;
  }
  return count;
}

const Instance* instanceOf(const Sheet& sheet, const Exercise& exercise,
                           const InstanceResult& result) {
  for (const std::size_t index : exercise.instances) {
    if (sheet.instances[index].name == result.instance) return &sheet.instances[index];
  }
  return nullptr;
}

bool rowsShown(const Instance* instance, const InstanceResult& result) {
  if (result.visible) return true;
  return instance != nullptr && instance->counterexampleShown;
}

std::string pointsText(int points, int possible) {
  return std::to_string(points) + "/" + std::to_string(possible) +
         (possible == 1 ? " point" : " points");
}

std::vector<std::string> indentedLines(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    lines.push_back(line.empty() ? line : prefix + line);
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<std::string> verdictDetails(const InstanceResult& result, bool showRows,
                                        std::size_t rowsListed) {
  std::vector<std::string> lines;
  switch (result.verdict) {
    case Verdict::RIGHT:
    case Verdict::MISSING:
      break;
    case Verdict::WRONG_SCHEMA:
      lines.push_back("the answer's schema:    " + result.answerSchema);
      lines.push_back("the reference's schema: " + result.referenceSchema);
      break;
    case Verdict::ERROR:
      lines.push_back(result.errorLine);
      if (result.errorColumn > 0)
        lines.push_back("reading stopped at column " + std::to_string(result.errorColumn));
      break;
    case Verdict::NOT_ALLOWED:
      lines.push_back(result.rule);
      break;
    case Verdict::LIMIT:
      lines.push_back("the answer ran past the " + result.limit + " limit of one evaluation");
      break;
    case Verdict::WRONG_RESULT: {
      lines.push_back("the answer has " + rowsText(result.answerRows) + ", the reference has " +
                      rowsText(result.referenceRows));
      if (result.order) {
        const OrderDifference& order = *result.order;
        lines.push_back("the same rows in another order, first at row " +
                        std::to_string(order.position));
        if (showRows) {
          lines.push_back("the answer's row " + std::to_string(order.position) + ": " +
                          (order.answerHasRow ? order.answerRow : "none"));
          lines.push_back("the reference's row " + std::to_string(order.position) + ": " +
                          (order.referenceHasRow ? order.referenceRow : "none"));
        }
      } else if (showRows) {
        listRows(lines, "missing", result.missing, rowsListed);
        listRows(lines, "in excess", result.excess, rowsListed);
      } else {
        lines.push_back(rowsText(totalCount(result.missing)) + " missing, " +
                        rowsText(totalCount(result.excess)) +
                        " in excess (the rows of a hidden instance are not shown)");
      }
      if (result.counterexample && showRows) {
        const Counterexample& example = *result.counterexample;
        lines.push_back("the smallest tables that show it (" + rowsText(example.rows) + " of " +
                        std::to_string(example.instanceRows) + "), as a raeval input file:");
        for (const std::string& line : indentedLines(example.input, "  ")) lines.push_back(line);
        lines.push_back("on them the answer gives:");
        for (const std::string& line : indentedLines(example.answerResult, "  "))
          lines.push_back(line);
        lines.push_back("and the reference gives:");
        for (const std::string& line : indentedLines(example.referenceResult, "  "))
          lines.push_back(line);
      }
      break;
    }
  }
  return lines;
}
