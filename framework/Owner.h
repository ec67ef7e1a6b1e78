// Owners of operating-system handles: one handle each, closed when the owner
// goes, never copied; a move hands the handle on and leaves the source empty.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/winapi.h"

// Holds a handle of type `H` and closes it with `Close`. `Empty` is the value
// that means "no handle" (0 for most, -1 for INVALID_HANDLE_VALUE).
template <class H, auto Close, std::intptr_t Empty = 0>
class TOwner {
public:
    TOwner() = default;
    explicit TOwner(H handle) : handle_(handle) {}
    TOwner(const TOwner&) = delete;
    TOwner& operator=(const TOwner&) = delete;
    TOwner(TOwner&& other) noexcept : handle_(std::exchange(other.handle_, empty())) {}
    // Taking the source's handle before closing the held one makes a move
    // onto itself keep the handle.
    TOwner& operator=(TOwner&& other) noexcept {
        Reset(std::exchange(other.handle_, empty()));
        return *this;
    }
    ~TOwner() { Reset(); }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != empty(); }
    // The address a function writes a new handle to. What was held is closed
    // first, so reusing an owner leaks nothing.
    H* put() {
        Reset();
        return &handle_;
    }
    void Reset(H handle = empty()) {
        const H old = handle_;
        handle_ = handle;
        if (old != empty()) Close(old);
    }

    static H empty() { return reinterpret_cast<H>(Empty); }

private:
    H handle_ = empty();
};

using TKeyHandle = TOwner<HKEY, &RegCloseKey>;
// A text that FormatMessageA allocated.
using TLocalText = TOwner<LPSTR, &LocalFree>;
using TFileHandle = TOwner<HANDLE, &CloseHandle, -1>;
