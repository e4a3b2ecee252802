// The one failure of the system: a message, the whole of what is reported.
// It is raised where the fault is found and caught only by the driver, which
// writes it as the output's "ERROR: " line.
#pragma once

#include <stdexcept>
#include <string>

class QueryError : public std::runtime_error {
 public:
  explicit QueryError(const std::string& message)
      : std::runtime_error(message), message_(message) {}

  // The whole message, NUL bytes included (what() would stop at the first).
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// Every message, grouped by the reader or operator that raises it.
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

// The driver's own, outside the output file.
inline constexpr const char* kOutOfMemory = "Out of memory";

}  // namespace msg
