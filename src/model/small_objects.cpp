// The program's operator new and delete. Nearly everything raeval allocates
// is small and of a few sizes: a list node and a value array per row, a
// string now and then. Each size class (16-byte steps up to kLargest) keeps
// its freed blocks on a list of its own and takes new ones from a shared
// chunk, so an allocation or a release is a handful of instructions instead
// of a general allocator's search. Memory freed to a class stays with it
// until the program ends; nothing is returned to the system early.
//
// Every block carries its class in the 8 bytes before it, so that a delete
// without a size works too; larger requests go to malloc behind the same
// header. The program has one thread, so nothing here locks.
//
// Chunks grow as the program asks for more: a small input is served by a
// few small ones, a large table by chunks of kLargestChunk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kAlign = 16;      // what operator new promises
constexpr std::size_t kHeader = 8;      // the class index, before the block
constexpr std::size_t kLargest = 1024;  // blocks up to this size are pooled
constexpr std::size_t kClasses = kLargest / kAlign + 1;
constexpr std::size_t kFirstChunk = 64 << 10;  // doubled for each new chunk
constexpr std::size_t kLargestChunk = 32 << 20;
constexpr std::uint64_t kFromMalloc = 0;  // the class of an unpooled block

struct FreeBlock {
  FreeBlock* next;
};

// Zero-initialised before any constructor runs, so allocations made while
// the C++ runtime starts up find it ready.
FreeBlock* freeLists[kClasses];
char* chunkNext;
char* chunkEnd;
std::size_t chunkSize;

// The uncommon paths stay out of line, so that the common one, a pop from a
// free list or a bump of the chunk pointer, needs no registers saved.
[[gnu::noinline]] void* allocateLarge(std::size_t size) noexcept {
  if (size > SIZE_MAX - kAlign) return nullptr;
  void* raw = std::malloc(size + kAlign);
  if (raw == nullptr) return nullptr;
  char* block = static_cast<char*>(raw) + kAlign;
  reinterpret_cast<std::uint64_t*>(block)[-1] = kFromMalloc;
  return block;
}

// Starts a new chunk; the rest of the old one, too small for the block that
// was asked for, goes unused.
[[gnu::noinline]] bool refill() noexcept {
  const std::size_t size = chunkSize == 0              ? kFirstChunk
                           : chunkSize < kLargestChunk ? 2 * chunkSize
                                                       : chunkSize;
  char* chunk = static_cast<char*>(std::malloc(size));
  if (chunk == nullptr) return false;
  chunkSize = size;
  // malloc aligns to 16; the first header goes 8 bytes in.
  chunkNext = chunk + (kAlign - kHeader);
  chunkEnd = chunk + size;
  return true;
}

// A block of class c spans c * kAlign bytes, header included; the header sits
// at an address 8 past a multiple of 16, so the block itself is aligned.
inline void* allocate(std::size_t size) noexcept {
  // Tested before the class is computed, which would wrap for a size near
  // the largest.
  if (size > kLargest - kHeader) return allocateLarge(size);
  const std::size_t cls = (size + kHeader + kAlign - 1) / kAlign;
  if (FreeBlock* block = freeLists[cls]) {
    freeLists[cls] = block->next;
    return block;
  }
  const std::size_t span = cls * kAlign;
  if (static_cast<std::size_t>(chunkEnd - chunkNext) < span && !refill()) return nullptr;
  char* block = chunkNext + kHeader;
  chunkNext += span;
  reinterpret_cast<std::uint64_t*>(block)[-1] = cls;
  return block;
}

inline void release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  const std::uint64_t cls = static_cast<std::uint64_t*>(pointer)[-1];
  if (cls == kFromMalloc) {
    std::free(static_cast<char*>(pointer) - kAlign);
    return;
  }
  FreeBlock* block = static_cast<FreeBlock*>(pointer);
  block->next = freeLists[cls];
  freeLists[cls] = block;
}

void* allocateOrThrow(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }

void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
