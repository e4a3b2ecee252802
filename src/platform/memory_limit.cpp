// Linux: getrlimit, /proc and the cgroup files. Under Emscripten: the wasm
// heap's maximum less what the heap holds. Elsewhere: no known limit.
#include "platform/memory_limit.h"

#include <algorithm>
#include <string>

#if defined(__EMSCRIPTEN__)
#include <emscripten/heap.h>
#include <unistd.h>
#elif defined(__linux__) && __has_include(<sys/resource.h>)
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#define RAEVAL_LINUX_LIMITS 1
#endif

#if defined(__EMSCRIPTEN__) || defined(RAEVAL_LINUX_LIMITS)
namespace {

void lower(std::optional<std::uint64_t>& least, std::uint64_t bytes) {
  least = least ? std::min(*least, bytes) : bytes;
}

std::uint64_t less(std::uint64_t limit, std::uint64_t used) {
  return limit > used ? limit - used : 0;
}

#if defined(RAEVAL_LINUX_LIMITS)

// The first word of a one-line file as a number, or nothing ("max", absent).
std::optional<std::uint64_t> readNumber(const std::string& path) {
  std::ifstream file(path);
  std::string word;
  if (!(file >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  try {
    return std::stoull(word);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::uint64_t> softLimit(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::uint64_t pageSize() {
  const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<std::uint64_t>(size) : 4096;
}

// The address space the process has mapped: statm's first field, in pages.
std::uint64_t addressSpaceInUse() {
  return readNumber("/proc/self/statm").value_or(0) * pageSize();
}

// "MemAvailable:  123456 kB" from /proc/meminfo.
std::optional<std::uint64_t> machineAvailable() {
  std::ifstream file("/proc/meminfo");
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string key;
    std::uint64_t kib = 0;
    if (fields >> key >> kib && key == "MemAvailable:") return kib * 1024;
  }
  return std::nullopt;
}

// The group's path from /proc/self/cgroup: the "0::/path" line under
// version 2, the line whose controllers include "memory" under version 1.
std::optional<std::string> cgroupPath(bool unified) {
  std::ifstream file("/proc/self/cgroup");
  std::string line;
  while (std::getline(file, line)) {
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const bool match = unified ? line.compare(0, first, "0") == 0 && controllers.empty()
                               : ("," + controllers + ",").find(",memory,") != std::string::npos;
    if (match) return line.substr(second + 1);
  }
  return std::nullopt;
}

// The limit less the usage of the process's group and of every group above
// it that the mount shows; the tightest wins.
std::optional<std::uint64_t> groupLeft() {
  std::optional<std::uint64_t> least;
  auto walk = [&least](const std::string& root, std::string path, const char* limitFile,
                       const char* usageFile) {
    for (;;) {
      const std::string dir = root + path;
      // Version 1 writes "no limit" as a huge number, which then changes
      // nothing.
      if (const auto limit = readNumber(dir + "/" + limitFile)) {
        lower(least, less(*limit, readNumber(dir + "/" + usageFile).value_or(0)));
      }
      const std::size_t slash = path.rfind('/');
      if (path.empty() || slash == std::string::npos) break;
      path.erase(slash);
    }
  };
  if (const auto path = cgroupPath(true)) {
    walk("/sys/fs/cgroup", *path, "memory.max", "memory.current");
  }
  if (!least) {
    if (const auto path = cgroupPath(false)) {
      walk("/sys/fs/cgroup/memory", *path, "memory.limit_in_bytes", "memory.usage_in_bytes");
    }
  }
  return least;
}

#endif

}  // namespace
#endif

std::optional<std::uint64_t> memoryLeftToUse() {
  std::optional<std::uint64_t> least;
#if defined(__EMSCRIPTEN__)
  const auto used = reinterpret_cast<std::uintptr_t>(sbrk(0));
  lower(least, less(emscripten_get_heap_max(), used));
#elif defined(RAEVAL_LINUX_LIMITS)
  if (const auto limit = softLimit(RLIMIT_AS)) lower(least, less(*limit, addressSpaceInUse()));
  if (const auto limit = softLimit(RLIMIT_DATA)) lower(least, *limit);
  if (const auto left = groupLeft()) lower(least, *left);
  if (const auto available = machineAvailable()) lower(least, *available);
#endif
  return least;
}
