// Call counts and the faults tests set on them, one schedule for each part of
// the stand-in (registry, files, DOM). Calls are counted from 1, so "the n-th
// call from now" needs n of at least 1.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <vector>

namespace standin {

// `Call` is an enumeration whose last value is `kLast`; `Code` is what a
// failed call returns.
template <class Call, Call kLast, class Code>
class FaultSchedule {
public:
    // Counts one call and hands back the code of a fault due now.
    std::optional<Code> enter(Call call) {
        const unsigned number = ++counts_[index(call)];
        for (auto fault = pending_.begin(); fault != pending_.end(); ++fault) {
            if (fault->call == call && fault->at == number) {
                const Code code = fault->code;
                pending_.erase(fault);
                return code;
            }
        }
        return std::nullopt;
    }

    // The n-th call of `call` from now fails with `code`.
    void arm(Call call, unsigned nth, Code code) {
        if (nth == 0) throw std::invalid_argument("faults are set on calls counted from 1");
        pending_.push_back({call, counts_[index(call)] + nth, code});
    }

    unsigned count(Call call) const { return counts_[index(call)]; }

    void reset() {
        counts_.fill(0);
        pending_.clear();
    }

private:
    struct Fault {
        Call call;
        unsigned at;  // the count of the call that fails
        Code code;
    };

    // A call past `kLast` has no count: refused rather than written past them.
    static std::size_t index(Call call) {
        const auto i = static_cast<std::size_t>(call);
        if (i > static_cast<std::size_t>(kLast)) throw std::out_of_range("a call the fault schedule does not count");
        return i;
    }

    std::array<unsigned, static_cast<std::size_t>(kLast) + 1> counts_{};
    std::vector<Fault> pending_;
};

}  // namespace standin
