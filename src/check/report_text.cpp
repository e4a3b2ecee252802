#include "check/report.h"
#include "check/report_details.h"

namespace {

void addLine(std::string& out, const std::string& prefix, const std::string& line) {
  if (!line.empty()) out += prefix + line;
  out += '\n';
}

std::string visibility(bool visible) { return visible ? "visible" : "hidden"; }

}  // namespace

int pointsOf(const SubmissionResult& submission) {
  int points = 0;
  for (const AnswerResult& answer : submission.answers) points += answer.points;
  return points;
}

int pointsPossibleOf(const SubmissionResult& submission) {
  int points = 0;
  for (const AnswerResult& answer : submission.answers) points += answer.pointsPossible;
  return points;
}

bool allRight(const std::vector<SubmissionResult>& submissions) {
  for (const SubmissionResult& submission : submissions) {
    for (const AnswerResult& answer : submission.answers) {
      if (answer.verdict != Verdict::RIGHT) return false;
    }
  }
  return true;
}

std::string textReport(const Sheet& sheet, const std::vector<SubmissionResult>& submissions) {
  std::string out =
      "Sheet: " + (sheet.title.empty() ? sheet.path : sheet.title + " (" + sheet.path + ")") + "\n";
  for (const SubmissionResult& submission : submissions) {
    out += "\nSubmission: " + submission.name + "\n";
    for (const std::string& note : submission.notes) out += "note: " + note + "\n";
    int right = 0;
    for (const AnswerResult& answer : submission.answers) {
      if (answer.verdict == Verdict::RIGHT) ++right;
      out += answer.exercise + ": " + std::string(verdictName(answer.verdict)) + ", " +
             pointsText(answer.points, answer.pointsPossible) + "\n";
      if (answer.verdict == Verdict::MISSING) continue;
      addLine(out, "  query: ", answer.query);
      const Exercise* exercise = sheet.findExercise(answer.exercise);
      for (const InstanceResult& instance : answer.instances) {
        out += "  " + instance.instance + " (" + visibility(instance.visible) +
               "): " + std::string(verdictName(instance.verdict)) + ", " +
               pointsText(instance.points, instance.pointsPossible) + "\n";
        const Instance* sheetInstance =
            exercise == nullptr ? nullptr : instanceOf(sheet, *exercise, instance);
        for (const std::string& line : verdictDetails(instance, rowsShown(sheetInstance, instance)))
          addLine(out, "    ", line);
      }
    }
    for (const std::string& id : submission.unknownExercises)
      out += id + ": an answer to no exercise of the sheet, not checked\n";
    out += "Total: " + pointsText(pointsOf(submission), pointsPossibleOf(submission)) + ", " +
           std::to_string(right) + " of " + std::to_string(submission.answers.size()) +
           (submission.answers.size() == 1 ? " exercise" : " exercises") + " right\n";
  }
  if (submissions.size() < 2) return out;

  out += "\nExercises:\n";
  int points = 0;
  int possible = 0;
  for (const ExerciseTotals& t : exerciseTotals(submissions)) {
    out += t.exercise + ": " + std::to_string(t.right) + " right of " + std::to_string(t.answers) +
           (t.answers == 1 ? " answer, " : " answers, ") + pointsText(t.points, t.pointsPossible) +
           "\n";
    points += t.points;
    possible += t.pointsPossible;
  }
  out += "Total: " + std::to_string(submissions.size()) + " submissions, " +
         std::to_string(submissionsAllRight(submissions)) + " all right, " +
         pointsText(points, possible) + "\n";
  return out;
}
