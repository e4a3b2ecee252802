// How much more memory the process may take before an allocation fails,
// as far as the platform tells. The only place that asks the platform.
#pragma once

#include <cstdint>
#include <optional>

// The smallest of: the address-space limit less the address space in use,
// the data-segment limit, the control group's memory limit less what the
// group uses, and the machine's available memory. Nothing when none of them
// is known (on a platform without these calls, or without limits).
std::optional<std::uint64_t> memoryLeftToUse();
