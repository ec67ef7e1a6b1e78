// The least the writer's document costs through the DOM: the same document
// with the bare interface calls, to measure the writer against.
#pragma once

#include <string>

#include "regscan/RegScanner.h"

namespace bench {

struct TDomFloorTimes {
    double buildMs = 0;
    double saveMs = 0;
    double releaseMs = 0;
};

// Builds the document of `scanner` as the writer does, saves it straight to
// `path` and releases it, each step timed. Names are made once per document,
// each text is converted once, no call is checked: only the creation and the
// save, so that a failed run gives no figure (std::runtime_error).
TDomFloorTimes domFloor(const TRegScanner& scanner, const std::string& path);

}  // namespace bench
