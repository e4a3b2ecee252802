#include "checktool/submissions.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "check/sheet.h"
#include "model/query_error.h"

namespace fs = std::filesystem;

namespace {

std::string readWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw QueryError("cannot read " + path.generic_string());
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw QueryError("cannot read " + path.generic_string());
  return content.str();
}

bool isAnswersFile(const fs::path& path) { return path.extension() == ".answers"; }

void addFile(Submission& submission, const fs::path& path,
             const std::optional<std::string>& exercise) {
  const std::string text = readWholeFile(path);
  const std::string shown = path.generic_string();
  if (!isAnswersFile(path)) {
    submission.answers.push_back(
        Answer{exercise ? *exercise : exerciseOfFileName(shown), queryOfInputFile(text), 0});
    return;
  }
  try {
    for (Answer& answer : readAnswers(text, shown)) {
      if (exercise && answer.exercise != *exercise) continue;
      submission.answers.push_back(std::move(answer));
    }
  } catch (const SheetError& error) {
    submission.notes.push_back(std::string(error.what()) + " (its answers are not checked)");
  }
}

// The *.txt and *.answers files of a folder, by name.
std::vector<fs::path> answerFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const fs::path& path = entry.path();
    if (entry.is_regular_file() && (path.extension() == ".txt" || isAnswersFile(path)))
      files.push_back(path);
  }
  if (error) throw QueryError("cannot read " + folder.generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

void addPath(Submission& submission, const fs::path& path,
             const std::optional<std::string>& exercise) {
  if (fs::is_directory(path)) {
    for (const fs::path& file : answerFilesIn(path)) addFile(submission, file, exercise);
  } else if (fs::exists(path)) {
    addFile(submission, path, exercise);
  } else {
    throw QueryError("no file or folder " + path.generic_string());
  }
}

// Keeps the first answer to each exercise, a note for each later one.
void dropSecondAnswers(Submission& submission) {
  std::set<std::string> seen;
  std::vector<Answer> kept;
  for (Answer& answer : submission.answers) {
    if (seen.insert(answer.exercise).second) {
      kept.push_back(std::move(answer));
    } else {
      submission.notes.push_back("a second answer to " + answer.exercise +
                                 " is not checked: the first one is");
    }
  }
  submission.answers = std::move(kept);
}

}  // namespace

Submission readSubmission(const std::vector<std::string>& paths,
                          const std::optional<std::string>& exercise) {
  Submission submission;
  for (const std::string& path : paths) {
    if (!submission.name.empty()) submission.name += " ";
    submission.name += path;
    addPath(submission, path, exercise);
  }
  dropSecondAnswers(submission);
  return submission;
}

std::vector<Submission> readBatch(const std::vector<std::string>& folders,
                                  const std::optional<std::string>& exercise) {
  std::vector<Submission> submissions;
  for (const std::string& folder : folders) {
    if (!fs::is_directory(folder)) throw QueryError("no folder " + folder);
    std::vector<fs::path> entries;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
      if (entry.is_directory() || (entry.is_regular_file() && isAnswersFile(entry.path())))
        entries.push_back(entry.path());
    }
    if (error) throw QueryError("cannot read " + folder);
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
      Submission submission;
      submission.name = entry.generic_string();
      addPath(submission, entry, exercise);
      dropSecondAnswers(submission);
      submissions.push_back(std::move(submission));
    }
  }
  return submissions;
}
