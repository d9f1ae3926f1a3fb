#pragma once

// Counts every allocation of the test program that includes this header, so
// a test can show that processing allocates nothing. It replaces the global
// operator new and delete: include it from exactly one file of a program.

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};

void* Allocate(std::size_t n, std::size_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (n == 0)
        n = 1;
    void* p = alignment <= alignof(std::max_align_t)
                  ? std::malloc(n)
                  : std::aligned_alloc(alignment, (n + alignment - 1) / alignment * alignment);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

// Out of line, so the compiler does not pair this free with a new it sees.
[[gnu::noinline]] void Release(void* p) noexcept {
    std::free(p);
}
} // namespace

void* operator new(std::size_t n) {
    return Allocate(n, 0);
}
void* operator new[](std::size_t n) {
    return Allocate(n, 0);
}
void* operator new(std::size_t n, std::align_val_t a) {
    return Allocate(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a) {
    return Allocate(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}

// Allocations made so far by every thread of the program.
inline long AllocationCount() {
    return allocations.load();
}
