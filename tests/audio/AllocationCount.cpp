// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <cstddef>

// The malloc family (operator new too) counted while the thread is inside render; not under sanitizers.
thread_local bool isCounting = false;
std::atomic<int> allocatorCalls{0};
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
extern const bool kCountsAllocations = false;
#else
extern const bool kCountsAllocations = true;
namespace {
void note(bool real = true) { if (isCounting && real) allocatorCalls.fetch_add(1); }
}  // namespace
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t size) { return note(), __libc_malloc(size); }
void* calloc(std::size_t count, std::size_t size) { return note(), __libc_calloc(count, size); }
void* realloc(void* pointer, std::size_t size) { return note(), __libc_realloc(pointer, size); }
void free(void* pointer) { note(pointer != nullptr), __libc_free(pointer); }
}
#endif
