#pragma once
// The named fields of every parameter block, rendered from the device
// model's images: numbers as numbers, list fields by their texts, bit
// fields by the names of their set bits.

#include "device/zt_helper.h"

#include <string>

namespace zt_cli {

// Call with the device's data lock held.
std::string DumpText(const ZT_Helper& device, const ZT_IdentityStruct& identity);
std::string DumpJson(const ZT_Helper& device, const ZT_IdentityStruct& identity);

// "0x%04X" and the names of the set bits, "; "-separated ("bit N" for a bit
// without a text).
std::string BitsText(uint16_t value, ZT_namespace::TTextList names);

} // namespace zt_cli
