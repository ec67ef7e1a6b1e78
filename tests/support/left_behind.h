// What a test's export may not leave behind, counted from before it: open
// registry handles, live DOM objects and question boxes in the stand-in,
// the process's handles in the Windows build.
#pragma once

#include <cstddef>
#include <string>

class TLeftBehind {
public:
    TLeftBehind();
    // Empty when nothing was left, else what was.
    std::string What() const;

private:
    std::size_t handles_;
};
