// One line of results, "name=value" pairs separated by spaces, which
// scripts/bench.sh collects and bench_table summarises.
#pragma once

#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>

namespace bench {

class TRecord {
public:
    explicit TRecord(const std::string& kind) { line_ << std::setprecision(12) << "kind=" << kind; }
    TRecord& add(const char* name, double value) {
        line_ << ' ' << name << '=' << value;
        return *this;
    }
    TRecord& add(const char* name, std::uint64_t value) {
        line_ << ' ' << name << '=' << value;
        return *this;
    }
    std::string text() const { return line_.str(); }

private:
    std::ostringstream line_;
};

}  // namespace bench
