// The export without its windows: the two subtrees it reads, in the order
// the file lists them.
#pragma once

#include "regscan/RegScanner.h"

// Below HKEY_LOCAL_MACHINE.
inline constexpr char kSoftwareKey[] = "Software\\Calderine";
inline constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\Orvexdrv\\Orvexdrv0";

// Scans the software's subtree, then the driver's, into `scanner`.
void ScanBoth(TRegScanner& scanner);
