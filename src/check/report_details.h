// What the reports say about one instance's verdict, shared by the plain
// text report and Gradescope's: a few lines, without indentation.
#pragma once

#include <string>
#include <vector>

#include "check/checker.h"
#include "check/report.h"
#include "check/sheet.h"

// The instance of exercise that result is about, or nullptr.
const Instance* instanceOf(const Sheet& sheet, const Exercise& exercise,
                           const InstanceResult& result);

// Whether the rows of result may appear in a report: the instance is
// visible, or the sheet shows its counterexamples.
bool rowsShown(const Instance* instance, const InstanceResult& result);

// "3 points", "1 point", "2/3 points".
std::string pointsText(int points, int possible);

// The lines that explain result's verdict (none for right and missing).
// Rows are listed up to rowsListed a side, then "... and N more".
std::vector<std::string> verdictDetails(const InstanceResult& result, bool showRows,
                                        std::size_t rowsListed = 10);

// The totals of one exercise over the submissions of a batch.
struct ExerciseTotals {
  std::string exercise;
  std::size_t answers = 0;  // answers given (missing ones not counted)
  std::size_t right = 0;
  int points = 0;
  int pointsPossible = 0;
};

// The totals of each exercise checked, in the order they are first met.
std::vector<ExerciseTotals> exerciseTotals(const std::vector<SubmissionResult>& submissions);

// How many submissions have every answer right.
std::size_t submissionsAllRight(const std::vector<SubmissionResult>& submissions);

// Each line of text (lines ending with "\n") with prefix before it; empty
// lines and trailing empty lines stay without one.
std::vector<std::string> indentedLines(const std::string& text, const std::string& prefix);
