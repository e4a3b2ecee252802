#include "check/json_writer.h"
#include "check/report.h"
#include "check/report_details.h"

namespace {

// Appends ,"key": to json (no comma before the first key of an object).
void key(std::string& json, const char* name) {
  if (json.back() != '{') json += ',';
  appendJsonString(json, name);
  json += ':';
}

void number(std::string& json, const char* name, long long value) {
  key(json, name);
  json += std::to_string(value);
}

void text(std::string& json, const char* name, const std::string& value) {
  key(json, name);
  appendJsonString(json, value);
}

// A text that is null where it does not apply.
void textOrNull(std::string& json, const char* name, bool applies, const std::string& value) {
  key(json, name);
  if (applies) {
    appendJsonString(json, value);
  } else {
    json += "null";
  }
}

void rows(std::string& json, const char* name, const std::vector<RowDifference>& list, bool shown) {
  key(json, name);
  json += '[';
  for (std::size_t i = 0; shown && i < list.size(); ++i) {
    if (i > 0) json += ',';
    json += '{';
    text(json, "row", list[i].text);
    number(json, "count", static_cast<long long>(list[i].count));
    json += '}';
  }
  json += ']';
}

void instanceJson(std::string& json, const InstanceResult& r, bool shown) {
  json += '{';
  text(json, "instance", r.instance);
  key(json, "visible");
  json += r.visible ? "true" : "false";
  text(json, "verdict", std::string(verdictName(r.verdict)));
  number(json, "points", r.points);
  number(json, "pointsPossible", r.pointsPossible);
  const bool compared = r.verdict == Verdict::RIGHT || r.verdict == Verdict::WRONG_RESULT ||
                        r.verdict == Verdict::WRONG_SCHEMA;
  key(json, "answerRows");
  json += compared ? std::to_string(r.answerRows) : "null";
  key(json, "referenceRows");
  json += compared ? std::to_string(r.referenceRows) : "null";
  textOrNull(json, "answerSchema", compared, r.answerSchema);
  textOrNull(json, "referenceSchema", compared, r.referenceSchema);
  rows(json, "missing", r.missing, shown);
  rows(json, "excess", r.excess, shown);
  key(json, "order");
  if (r.order) {
    json += '{';
    number(json, "position", static_cast<long long>(r.order->position));
    textOrNull(json, "answerRow", shown && r.order->answerHasRow, r.order->answerRow);
    textOrNull(json, "referenceRow", shown && r.order->referenceHasRow, r.order->referenceRow);
    json += '}';
  } else {
    json += "null";
  }
  key(json, "error");
  if (r.verdict == Verdict::ERROR) {
    json += '{';
    text(json, "line", r.errorLine);
    number(json, "column", static_cast<long long>(r.errorColumn));
    json += '}';
  } else {
    json += "null";
  }
  textOrNull(json, "rule", r.verdict == Verdict::NOT_ALLOWED, r.rule);
  textOrNull(json, "limit", r.verdict == Verdict::LIMIT, r.limit);
  key(json, "counterexample");
  if (r.counterexample && shown) {
    const Counterexample& c = *r.counterexample;
    json += '{';
    text(json, "input", c.input);
    number(json, "rows", static_cast<long long>(c.rows));
    number(json, "instanceRows", static_cast<long long>(c.instanceRows));
    text(json, "answerResult", c.answerResult);
    text(json, "referenceResult", c.referenceResult);
    json += '}';
  } else {
    json += "null";
  }
  json += '}';
}

void sheetJson(std::string& json, const Sheet& sheet) {
  key(json, "sheet");
  json += '{';
  text(json, "path", sheet.path);
  text(json, "title", sheet.title);
  json += '}';
}

}  // namespace

std::string jsonReport(const Sheet& sheet, const std::vector<SubmissionResult>& submissions) {
  std::string json = "{";
  sheetJson(json, sheet);
  key(json, "submissions");
  json += '[';
  for (std::size_t s = 0; s < submissions.size(); ++s) {
    const SubmissionResult& submission = submissions[s];
    if (s > 0) json += ',';
    json += '{';
    text(json, "name", submission.name);
    number(json, "points", pointsOf(submission));
    number(json, "pointsPossible", pointsPossibleOf(submission));
    long long right = 0;
    for (const AnswerResult& answer : submission.answers) right += answer.verdict == Verdict::RIGHT;
    number(json, "right", right);
    number(json, "exercises", static_cast<long long>(submission.answers.size()));
    key(json, "unknownExercises");
    json += '[';
    for (std::size_t i = 0; i < submission.unknownExercises.size(); ++i) {
      if (i > 0) json += ',';
      appendJsonString(json, submission.unknownExercises[i]);
    }
    json += ']';
    key(json, "notes");
    json += '[';
    for (std::size_t i = 0; i < submission.notes.size(); ++i) {
      if (i > 0) json += ',';
      appendJsonString(json, submission.notes[i]);
    }
    json += ']';
    key(json, "answers");
    json += '[';
    for (std::size_t a = 0; a < submission.answers.size(); ++a) {
      const AnswerResult& answer = submission.answers[a];
      if (a > 0) json += ',';
      json += '{';
      text(json, "exercise", answer.exercise);
      textOrNull(json, "query", answer.verdict != Verdict::MISSING, answer.query);
      text(json, "verdict", std::string(verdictName(answer.verdict)));
      number(json, "points", answer.points);
      number(json, "pointsPossible", answer.pointsPossible);
      key(json, "instances");
      json += '[';
      const Exercise* exercise = sheet.findExercise(answer.exercise);
      for (std::size_t i = 0; i < answer.instances.size(); ++i) {
        if (i > 0) json += ',';
        const InstanceResult& r = answer.instances[i];
        const Instance* instance = exercise == nullptr ? nullptr : instanceOf(sheet, *exercise, r);
        instanceJson(json, r, rowsShown(instance, r));
      }
      json += "]}";
    }
    json += "]}";
  }
  json += ']';
  key(json, "exercises");
  json += '[';
  int points = 0;
  int possible = 0;
  const std::vector<ExerciseTotals> totals = exerciseTotals(submissions);
  for (std::size_t i = 0; i < totals.size(); ++i) {
    if (i > 0) json += ',';
    json += '{';
    text(json, "exercise", totals[i].exercise);
    number(json, "answers", static_cast<long long>(totals[i].answers));
    number(json, "right", static_cast<long long>(totals[i].right));
    number(json, "points", totals[i].points);
    number(json, "pointsPossible", totals[i].pointsPossible);
    json += '}';
    points += totals[i].points;
    possible += totals[i].pointsPossible;
  }
  json += ']';
  key(json, "totals");
  json += '{';
  number(json, "submissions", static_cast<long long>(submissions.size()));
  number(json, "allRight", static_cast<long long>(submissionsAllRight(submissions)));
  number(json, "points", points);
  number(json, "pointsPossible", possible);
  json += "}}\n";
  return json;
}

std::string gradescopeReport(const Sheet& sheet, const SubmissionResult& submission) {
  std::string json = "{";
  number(json, "score", pointsOf(submission));
  long long right = 0;
  for (const AnswerResult& answer : submission.answers) right += answer.verdict == Verdict::RIGHT;
  text(json, "output",
       (sheet.title.empty() ? sheet.path : sheet.title) + ": " +
           pointsText(pointsOf(submission), pointsPossibleOf(submission)) + ", " +
           std::to_string(right) + " of " + std::to_string(submission.answers.size()) +
           (submission.answers.size() == 1 ? " exercise" : " exercises") + " right.");
  key(json, "tests");
  json += '[';
  bool first = true;
  for (std::size_t a = 0; a < submission.answers.size(); ++a) {
    const AnswerResult& answer = submission.answers[a];
    const Exercise* exercise = sheet.findExercise(answer.exercise);
    for (std::size_t i = 0; i < answer.instances.size(); ++i) {
      const InstanceResult& r = answer.instances[i];
      const Instance* instance = exercise == nullptr ? nullptr : instanceOf(sheet, *exercise, r);
      if (!first) json += ',';
      first = false;
      json += '{';
      text(json, "name",
           answer.exercise + " on " + r.instance + " (" + (r.visible ? "visible" : "hidden") + ")");
      text(json, "number", std::to_string(a + 1) + "." + std::to_string(i + 1));
      number(json, "score", r.points);
      number(json, "max_score", r.pointsPossible);
      text(json, "status", r.verdict == Verdict::RIGHT ? "passed" : "failed");
      std::string output = std::string(verdictName(r.verdict));
      if (r.verdict == Verdict::MISSING) {
        output += ": no answer to " + answer.exercise;
      } else {
        output += "\nquery: " + answer.query;
      }
      for (const std::string& line : verdictDetails(r, rowsShown(instance, r)))
        output += "\n" + line;
      text(json, "output", output + "\n");
      text(json, "visibility", r.visible ? "visible" : "after_due_date");
      key(json, "tags");
      json += '[';
      appendJsonString(json, std::string(verdictName(r.verdict)));
      json += "]}";
    }
  }
  json += "]}\n";
  return json;
}
