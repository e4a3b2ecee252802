// libFuzzer target: the exercise-sheet reader and the answers reader on
// arbitrary bytes. Besides the sanitizers' own checks, every run is held to
// what the readers promise:
//   - a sheet is read or refused with a SheetError whose line is one of the
//     sheet's lines (or the one after the last) and whose text begins with
//     "PATH:LINE: ";
//   - a sheet read has, for every exercise, a reference and an instance, and
//     every reference checked as an answer is right on every instance (or
//     runs into the limits, which are tight here);
//   - the answers reader reads the same bytes or refuses them the same way.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check/answers.h"
#include "check/checker.h"
#include "check/sheet.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz_sheet: %s: %s\n", what, detail.c_str());
  std::abort();
}

void checkRefusal(const SheetError& error, std::string_view text) {
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (error.line() < 1 || error.line() > lines + 1) fault("line out of range", error.what());
  const std::string prefix = "fuzz:" + std::to_string(error.line()) + ": ";
  if (!std::string_view(error.what()).starts_with(prefix))
    fault("badly formed refusal", error.what());
  if (error.message().empty()) fault("refusal without a message", error.what());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Limits limits;
  limits.milliseconds = 1000;
  limits.values = 200'000;
  try {
    const Sheet sheet = readSheet(text, "fuzz", limits);
    CheckOptions options;
    options.limits = limits;
    options.counterexamples = false;
    for (const Exercise& exercise : sheet.exercises) {
      if (exercise.references.empty()) fault("exercise without a reference", exercise.id);
      if (exercise.instances.empty()) fault("exercise without an instance", exercise.id);
      for (const std::size_t index : exercise.instances) {
        if (index >= sheet.instances.size()) fault("instance out of range", exercise.id);
      }
      for (const Reference& reference : exercise.references) {
        const AnswerResult result = checkAnswer(sheet, exercise, reference.query, options);
        if (result.verdict != Verdict::RIGHT && result.verdict != Verdict::LIMIT) {
          fault("a reference is not right as an answer", reference.query);
        }
      }
    }
  } catch (const SheetError& error) {
    checkRefusal(error, text);
  }
  try {
    readAnswers(text, "fuzz");
  } catch (const SheetError& error) {
    checkRefusal(error, text);
  }
  return 0;
}
