// Sets the worker thread count (SHELVIX_THREADS) for a scope, and puts back what was there.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class ScopedThreadCount {
public:
    explicit ScopedThreadCount(int threads) {
        if (const char* old = std::getenv("SHELVIX_THREADS")) old_ = old;
        setenv("SHELVIX_THREADS", std::to_string(threads).c_str(), 1);
    }
    ~ScopedThreadCount() {
        if (old_) setenv("SHELVIX_THREADS", old_->c_str(), 1);
        else unsetenv("SHELVIX_THREADS");
    }
    ScopedThreadCount(const ScopedThreadCount&) = delete;
    ScopedThreadCount& operator=(const ScopedThreadCount&) = delete;

private:
    std::optional<std::string> old_;
};
