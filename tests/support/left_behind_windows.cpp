#include "platform/winapi.h"
#include "support/left_behind.h"

namespace {

std::size_t processHandles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

}  // namespace

TLeftBehind::TLeftBehind() : handles_(processHandles()) {}

std::string TLeftBehind::What() const {
    const std::size_t now = processHandles();
    return now > handles_ ? std::to_string(now - handles_) + " handles left open" : std::string();
}
