// Elapsed wall time of one phase, in milliseconds.
#pragma once

#include <chrono>

namespace bench {

class TStopwatch {
public:
    TStopwatch() : start_(std::chrono::steady_clock::now()) {}
    double elapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace bench
