#include "faults.h"

namespace {
int64_t writeBudget = -1;
std::function<bool(std::string_view)> stepHook;
} // namespace

namespace faults {
void SetWriteBudget(int64_t bytes) { writeBudget = bytes; }

size_t LimitWrite(size_t count) {
    if (writeBudget < 0) return count;
    const size_t allowed = static_cast<uint64_t>(writeBudget) < count ? size_t(writeBudget) : count;
    writeBudget -= static_cast<int64_t>(allowed);
    return allowed;
}

void SetStepHook(std::function<bool(std::string_view)> hook) { stepHook = std::move(hook); }

bool Fail(std::string_view step) { return stepHook && stepHook(step); }
} // namespace faults
