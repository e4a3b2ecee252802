// The one failure of the system: a message, the whole of what is reported.
// It is raised where the fault is found and caught only by the driver, which
// writes it as the output's "ERROR: " line.
#pragma once

#include <stdexcept>
#include <string>

#include "model/messages.h"

class QueryError : public std::runtime_error {
 public:
  explicit QueryError(const std::string& message)
      : std::runtime_error(message), message_(message) {}

  // The whole message, NUL bytes included (what() would stop at the first).
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};
