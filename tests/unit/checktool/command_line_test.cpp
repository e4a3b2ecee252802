#include "checktool/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/query_error.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(CheckCommandLine, ReadsOptionsAnywhereAndBothValueForms) {
  const CheckCommand command = parseCheckCommand(
      {"s.sheet", "--time-limit=0.5", "a.txt", "--memory-limit", "64", "--json", "--", "--b.txt"});
  EXPECT_EQ(command.mode, CheckCommand::Mode::CHECK);
  EXPECT_EQ(command.format, ReportFormat::JSON);
  EXPECT_EQ(command.sheetPath, "s.sheet");
  EXPECT_EQ(command.answerPaths, (Arguments{"a.txt", "--b.txt"}));
  EXPECT_DOUBLE_EQ(command.timeLimitSeconds, 0.5);
  EXPECT_EQ(command.memoryLimitMiB, 64);
  EXPECT_FALSE(command.batch);
  EXPECT_FALSE(command.exercise.has_value());
}

TEST(CheckCommandLine, HelpAndVersionWinOverWhatFollows) {
  EXPECT_EQ(parseCheckCommand({"--help", "--nonsense"}).mode, CheckCommand::Mode::HELP);
  EXPECT_EQ(parseCheckCommand({"-h"}).mode, CheckCommand::Mode::HELP);
  EXPECT_EQ(parseCheckCommand({"--version"}).mode, CheckCommand::Mode::VERSION);
}

TEST(CheckCommandLine, RefusesWhatItCannotRun) {
  const std::pair<Arguments, std::string> cases[] = {
      {{}, "no SHEET given"},
      {{"s.sheet"}, "no ANSWER given"},
      {{"--audit", "s.sheet", "a.txt"}, "--audit takes a SHEET and no ANSWER"},
      {{"--audit", "--batch", "s.sheet"}, "--audit takes no --batch, --exercise or --gradescope"},
      {{"--json", "--gradescope", "s.sheet", "a"}, "--json and --gradescope exclude each other"},
      {{"--time-limit", "-1", "s.sheet", "a"}, "--time-limit needs a positive number, not '-1'"},
      {{"--time-limit=1e3", "s.sheet", "a"}, "--time-limit needs a positive number, not '1e3'"},
      {{"--time-limit=0", "s.sheet", "a"}, "--time-limit needs a positive number, not '0'"},
      {{"--memory-limit=2.5", "s.sheet", "a"},
       "--memory-limit needs a positive whole number, not '2.5'"},
      {{"--exercise=", "s.sheet", "a"}, "--exercise needs an exercise id"},
      {{"--json=yes", "s.sheet", "a"}, "--json takes no value"},
      {{"-x", "s.sheet", "a"}, "unknown option -x"},
  };
  for (const auto& [arguments, message] : cases) {
    try {
      parseCheckCommand(arguments);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const QueryError& error) {
      EXPECT_EQ(error.message(), message);
    }
  }
}

}  // namespace
