// Every text the program reports, in one list: the messages of QueryError
// that end up on the output's "ERROR: " line, and the command line's own
// texts on standard output and standard error. The code raises them by name;
// the fuzzer and the documentation checks read the lists at the bottom.
#pragma once

#include <array>
#include <string_view>

namespace msg {

// Loading the input file.
inline constexpr const char* kTableName = "Table name error";
inline constexpr const char* kTableScheme = "Table scheme error";
inline constexpr const char* kNotIntOrString = "Input> Not int or string";
inline constexpr const char* kEndOfString = "Input> End of string";
inline constexpr const char* kIntegerOutOfRange = "Input> Integer out of range";

// The query's expressions.
inline constexpr const char* kTableNotFound = "Table not found";
inline constexpr const char* kWrongParameter = ": Wrong parameter";  // after the word
inline constexpr const char* kNestedTooDeeply = "Query nested too deeply";

// Selection conditions.
inline constexpr const char* kConstructOperand = "Construct error: end of string reached";
inline constexpr const char* kConstructName = "Construct error: end of string reached 2";
inline constexpr const char* kConstructCondition = "Construct error: end of string reached 3";
inline constexpr const char* kConstructKeyword = "Construct error: end of string reached 4";
inline constexpr const char* kConstructScheme = "Construct error: scheme mismatch";
inline constexpr const char* kConstructToken = "Construct error: invalid token";
inline constexpr const char* kConstructRange = "Construct error: integer out of range";
inline constexpr const char* kConstructDepth = "Construct error: nested too deeply";

// The operators and their forms.
inline constexpr const char* kUnionMismatch1 = "Scheme Mismatch_1 at union";
inline constexpr const char* kUnionMismatch2 = "Scheme Mismatch_2 at union";
inline constexpr const char* kMinusMismatch1 = "Scheme Mismatch_1 at minus";
inline constexpr const char* kMinusMismatch2 = "Scheme Mismatch_2 at minus";
inline constexpr const char* kProjectEnd = "End of string reached";
inline constexpr const char* kRenameNameEnd = "End of string reached 1";
inline constexpr const char* kRenameListEnd = "End of string reached 2";
inline constexpr const char* kSelectEnd = "End of string reached 3";
inline constexpr const char* kProjectMismatch = "Scheme Mismatch at project";
inline constexpr const char* kRenameMismatch = "Scheme Mismatch at rename";
inline constexpr const char* kProjectShortRow = "Row too short at project";
inline constexpr const char* kSelectShortRow = "Row too short at select";

// Memory running out, on the "ERROR: " line and on standard error.
inline constexpr const char* kOutOfMemory = "Out of memory";

// The command line's own: the usage text on standard output, and the texts
// that go before a path on standard error.
inline constexpr const char* kNotEnoughArguments = "Not enough arguments!";
inline constexpr const char* kCannotOpenInput = "Cannot open input file: ";
inline constexpr const char* kSameFile = "Input and output are the same file: ";
inline constexpr const char* kCannotOpenOutput = "Cannot open output file: ";
inline constexpr const char* kCannotWriteOutput = "Cannot write output file: ";

// What loading the input file can raise.
inline constexpr std::array<std::string_view, 5> kLoading = {
    kTableName, kTableScheme, kNotIntOrString, kEndOfString, kIntegerOutOfRange};

// What evaluating the query can raise, but for a word followed by
// kWrongParameter.
inline constexpr std::array<std::string_view, 22> kQuery = {
    kTableNotFound,    kNestedTooDeeply, kConstructOperand, kConstructName,   kConstructCondition,
    kConstructKeyword, kConstructScheme, kConstructToken,   kConstructRange,  kConstructDepth,
    kUnionMismatch1,   kUnionMismatch2,  kMinusMismatch1,   kMinusMismatch2,  kProjectEnd,
    kRenameNameEnd,    kRenameListEnd,   kSelectEnd,        kProjectMismatch, kRenameMismatch,
    kProjectShortRow,  kSelectShortRow};

// The rest: memory and the command line.
inline constexpr std::array<std::string_view, 7> kRun = {
    kWrongParameter, kOutOfMemory,      kNotEnoughArguments, kCannotOpenInput,
    kSameFile,       kCannotOpenOutput, kCannotWriteOutput};

}  // namespace msg
