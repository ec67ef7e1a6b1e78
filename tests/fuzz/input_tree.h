// Turns fuzz input into the two registry subtrees the export reads, in the
// stand-in registry: keys nested up to 512 levels, names and data with every
// byte value the registry can hold, every type code, values up to 64 KiB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "regscan/RegExport.h"

namespace fuzz {

constexpr std::size_t kMaxDepth = 512;         // levels below each scanned key
constexpr std::size_t kMaxValueBytes = 65536;  // 64 KiB

// Empties the registry and fills the two subtrees from `data`.
void buildRegistry(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
