#include "regscan/RegExport.h"

void ScanBoth(TRegScanner& scanner) {
    scanner.scan(HKEY_LOCAL_MACHINE, kSoftwareKey);
    scanner.scan(HKEY_LOCAL_MACHINE, kDriverKey);
}
