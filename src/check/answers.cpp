#include "check/answers.h"

#include "check/sheet.h"

std::string queryOfInputFile(std::string_view inputFileText) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (inputFileText.starts_with(kByteOrderMark)) inputFileText.remove_prefix(kByteOrderMark.size());
  std::string_view line = inputFileText.substr(0, inputFileText.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::string(line);
}

std::string exerciseOfFileName(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  if (fileName.ends_with(".txt")) fileName.remove_suffix(4);
  return std::string(fileName);
}

std::vector<Answer> readAnswers(std::string_view text, const std::string& path) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<Answer> answers;
  std::size_t number = 0;
  std::size_t at = 0;
  // The next line, without its newline and a carriage return before it.
  auto nextLine = [&](std::string_view& line) {
    if (at >= text.size()) return false;
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    ++number;
    return true;
  };
  std::string_view line;
  while (nextLine(line)) {
    if (line.empty() || line.starts_with("#")) continue;
    if (!line.starts_with("=== ")) {
      throw SheetError(path, number, "expected \"=== ID\" or a \"#\" comment");
    }
    Answer answer;
    answer.exercise = std::string(line.substr(4));
    const std::size_t idLine = number;
    if (answer.exercise.empty()) throw SheetError(path, number, "\"=== \" without an exercise id");
    for (const Answer& other : answers) {
      if (other.exercise == answer.exercise) {
        throw SheetError(path, number, "a second answer to exercise \"" + answer.exercise + "\"");
      }
    }
    std::string_view query;
    if (!nextLine(query) || query.starts_with("=== ")) {
      throw SheetError(path, idLine, "exercise \"" + answer.exercise + "\" has no query line");
    }
    answer.query = std::string(query);
    answer.line = number;
    answers.push_back(std::move(answer));
  }
  return answers;
}
