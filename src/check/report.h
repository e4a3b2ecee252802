// The reports of a check and of an audit, built as text: plain text for a
// terminal, JSON for scripts and Gradescope's results.json. Nothing here
// reads or writes a file; the program and the page print what they return.
//
// Rows of a hidden instance (the missing and excess rows, the first order
// difference and the counterexample) appear in a report only where the
// sheet says "counterexample shown" for it: they reveal hidden data. Counts
// and schemas always appear.
#pragma once

#include <string>
#include <vector>

#include "check/audit.h"
#include "check/checker.h"
#include "check/sheet.h"

// One submission checked: a result per exercise checked, in sheet order.
struct SubmissionResult {
  std::string name;
  std::vector<AnswerResult> answers;
  // The ids of answers the submission holds for no exercise of the sheet.
  std::vector<std::string> unknownExercises;
  // What else was wrong with the files handed in (an answers file that
  // does not read, a second answer to one exercise), a line each.
  std::vector<std::string> notes;
};

int pointsOf(const SubmissionResult& submission);
int pointsPossibleOf(const SubmissionResult& submission);
// Whether every answer of every submission is right.
bool allRight(const std::vector<SubmissionResult>& submissions);

// The plain-text report: for each submission a line per exercise with its
// verdict and points, the query, a line per instance and the details below
// it, then the submission's total; after two or more submissions, the
// totals per exercise and of the whole batch.
std::string textReport(const Sheet& sheet, const std::vector<SubmissionResult>& submissions);

// The JSON report (its schema is in the README, and stays):
// {"sheet":{"path","title"},"submissions":[{"name","points","pointsPossible",
//  "right","exercises","unknownExercises":[...],"notes":[...],"answers":[{"exercise",
//  "query","verdict","points","pointsPossible","instances":[{"instance",
//  "visible","verdict","points","pointsPossible","answerRows",
//  "referenceRows","answerSchema","referenceSchema","missing":[{"row",
//  "count"}],"excess":[...],"order","error","rule","limit",
//  "counterexample"}]}]}],"exercises":[{"exercise","answers","right",
//  "points","pointsPossible"}],"totals":{"submissions","allRight","points",
//  "pointsPossible"}}
// Every key is always present; null where it does not apply.
std::string jsonReport(const Sheet& sheet, const std::vector<SubmissionResult>& submissions);

// Gradescope's results.json for one submission: a test per exercise and
// instance, numbered "E.I", with its points, its details as output, and
// the visibility "after_due_date" for a hidden instance.
std::string gradescopeReport(const Sheet& sheet, const SubmissionResult& submission);

// The audit's report: for each reference, its mutants that every instance
// accepts, each with its query and the tables that catch it, then the
// possibly equivalent ones, and a count of those caught.
std::string textAuditReport(const Sheet& sheet, const std::vector<ReferenceAudit>& audits);
// {"sheet":{"path","title"},"references":[{"exercise","reference","query",
//  "mutants":[{"query","change","first","last","survival","caughtBy":[...],
//  "catchingInput"}]}],"totals":{"mutants","caught","survived",
//  "possiblyEquivalent"}}; survival is "caught", "survived" or
//  "possibly-equivalent".
std::string jsonAuditReport(const Sheet& sheet, const std::vector<ReferenceAudit>& audits);
// Whether no mutant survived (possibly equivalent ones aside).
bool auditClean(const std::vector<ReferenceAudit>& audits);
