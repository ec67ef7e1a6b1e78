// The measured runs both builds share. Each reads the generated subtree of
// `keyCount` keys below HKEY_LOCAL_MACHINE and returns its record line.
#pragma once

#include <string>

namespace bench {

// The program's own export to `outPath`: TRegScanner::scan, then the two
// steps of saveXml (building the document, saving it) and the release of the
// document, each timed.
std::string runExport(unsigned keyCount, const std::string& outPath);
// The same scan, then the same document through the bare DOM calls
// (bench/dom_floor.h) saved to `outPath`, build, save and release timed.
std::string runDomFloor(unsigned keyCount, const std::string& outPath);
// The bare walk with the five registry calls.
std::string runFloor(unsigned keyCount);

}  // namespace bench
