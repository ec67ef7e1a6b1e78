// The measured runs both builds share. Each reads the generated subtree of
// `keyCount` keys below HKEY_LOCAL_MACHINE and returns its record line.
#pragma once

#include <string>

namespace bench {

// The program's own export, TRegScanner::scan then saveXml to `outPath`,
// timed as a whole and by call; then, on the same snapshot, the writer's
// document build and save timed apart (the save goes to `phasesPath`).
std::string runExport(unsigned keyCount, const std::string& outPath, const std::string& phasesPath);
// The bare walk with the five registry calls.
std::string runFloor(unsigned keyCount);

}  // namespace bench
