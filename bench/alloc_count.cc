// Allocation counting for the benchmark: the process's malloc family is
// replaced by thin wrappers around glibc's own allocator that count calls
// while counting is switched on.  operator new reaches malloc through the
// C++ run-time, so allocations of the library, the standard library and
// iconv are all seen.  Sanitizer builds keep their own allocator.
#include "alloc_count.h"

#include <cstddef>

namespace krv::bench {
namespace {
bool counting = false;
unsigned long long allocations = 0;
}  // namespace

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
bool AllocCountingAvailable() { return true; }
#else
bool AllocCountingAvailable() { return false; }
#endif

void StartAllocCount() {
  allocations = 0;
  counting = true;
}

unsigned long long StopAllocCount() {
  counting = false;
  return allocations;
}

}  // namespace krv::bench

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  return __libc_realloc(p, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  if (krv::bench::counting) ++krv::bench::allocations;
  void* p = __libc_memalign(alignment, size);
  if (p == nullptr) return 12;  // ENOMEM
  *out = p;
  return 0;
}
}  // extern "C"
#endif
