// The bytes a read allocates, counted through the sanitizer's allocation hooks, so that a fuzz
// target can check that memory grows with the input and not with what the input claims.
#pragma once

#include <cstddef>
#include <sanitizer/allocator_interface.h>

namespace fuzz {

namespace detail {
inline bool counting = false;
inline size_t allocated = 0;
inline void OnMalloc(const volatile void*, size_t size) {
    if (counting) allocated += size;
}
inline void OnFree(const volatile void*) {}
} // namespace detail

// Once, from LLVMFuzzerInitialize.
inline void InstallAllocationCounter() {
    __sanitizer_install_malloc_and_free_hooks(detail::OnMalloc, detail::OnFree);
}

// Runs `read` and returns the bytes it allocated (freed or not).
template <class Read>
size_t AllocatedBy(Read&& read) {
    detail::allocated = 0;
    detail::counting = true;
    read();
    detail::counting = false;
    return detail::allocated;
}

} // namespace fuzz
