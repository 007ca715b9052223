// Whether this build may cap a process's address space with RLIMIT_AS: the sanitizers reserve
// shadow memory far beyond any cap, so under them the helper processes run without one.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kMayLimitMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
inline constexpr bool kMayLimitMemory = false;
#else
inline constexpr bool kMayLimitMemory = true;
#endif
#else
inline constexpr bool kMayLimitMemory = true;
#endif
