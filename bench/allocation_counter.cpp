#include "bench/allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> heap_allocations{0};
std::atomic<std::uint64_t> new_allocations{0};

void CountHeap() {
    heap_allocations.fetch_add(1, std::memory_order_relaxed);
}

void* NewOrThrow(std::size_t size) {
    new_allocations.fetch_add(1, std::memory_order_relaxed);
    if (size == 0) size = 1;
    for (;;) {
        if (void* p = std::malloc(size)) return p;
        std::new_handler const handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AlignedNewOrThrow(std::size_t size, std::align_val_t alignment) {
    new_allocations.fetch_add(1, std::memory_order_relaxed);
    auto const align = static_cast<std::size_t>(alignment);
    if (size == 0) size = 1;
    size = (size + align - 1) / align * align;  // aligned_alloc wants a multiple
    for (;;) {
        if (void* p = std::aligned_alloc(align, size)) return p;
        std::new_handler const handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

namespace glidestone::bench {

AllocationCount CountAllocations() {
    return {heap_allocations.load(std::memory_order_relaxed), new_allocations.load(std::memory_order_relaxed)};
}

}  // namespace glidestone::bench

// The C library's allocator under its own names (exported by glibc).
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

extern "C" void* malloc(std::size_t size) noexcept {
    CountHeap();
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) noexcept {
    CountHeap();
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* pointer, std::size_t size) noexcept {
    CountHeap();
    return __libc_realloc(pointer, size);
}

extern "C" void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    CountHeap();
    return __libc_memalign(alignment, size);
}

extern "C" int posix_memalign(void** result, std::size_t alignment, std::size_t size) noexcept {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    CountHeap();
    void* const p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *result = p;
    return 0;
}

void* operator new(std::size_t size) {
    return NewOrThrow(size);
}

void* operator new[](std::size_t size) {
    return NewOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return NewOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return NewOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return AlignedNewOrThrow(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AlignedNewOrThrow(size, alignment);
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return AlignedNewOrThrow(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return AlignedNewOrThrow(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* pointer) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer) noexcept {
    std::free(pointer);
}

void operator delete(void* pointer, std::size_t) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept {
    std::free(pointer);
}

void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    std::free(pointer);
}

void operator delete(void* pointer, std::align_val_t) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer, std::align_val_t) noexcept {
    std::free(pointer);
}

void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
    std::free(pointer);
}

void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(pointer);
}

void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(pointer);
}
