// What one evaluation of a query may spend in the checker: time and the
// values built. An evaluation past either ends with the verdict "limit".
#pragma once

#include <cstdint>

struct Limits {
  // Wall-clock time of one evaluation, in milliseconds.
  std::uint32_t milliseconds = 2000;
  // The values (cells) one evaluation may build, counted as they are made
  // (a row of n values counts n; rows moved or borrowed count nothing). The
  // default, about 20 million, keeps an evaluation within a few hundred MB.
  std::uint64_t values = 20'000'000;
};
