// Counting that saturates at the largest uint64 instead of wrapping: the
// sizes of products that are never built.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr std::uint64_t kMostCount = std::numeric_limits<std::uint64_t>::max();

constexpr std::uint64_t saturatingTimes(std::uint64_t a, std::uint64_t b) {
  return a != 0 && b > kMostCount / a ? kMostCount : a * b;
}

constexpr std::uint64_t saturatingPlus(std::uint64_t a, std::uint64_t b) {
  return b > kMostCount - a ? kMostCount : a + b;
}
