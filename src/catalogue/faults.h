// Fault injection for tests of the save path: a write budget after which file writes come up
// short, and named steps that a test can make fail. Inactive unless a test sets them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace faults {
// After `bytes` more bytes, every file write comes up short; a negative value switches it off.
void SetWriteBudget(int64_t bytes);
size_t LimitWrite(size_t count);
// The hook is asked at every named step; answering true makes that step fail.
void SetStepHook(std::function<bool(std::string_view step)> hook);
bool Fail(std::string_view step);
} // namespace faults
