// The number stored in a JPEG signature comment: written as signed decimal,
// read back by the usual text-to-integer conversion, which also accepts
// hexadecimal forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// The register read as a signed 32-bit integer, in decimal ("-1" for 0xFFFFFFFF).
std::string FormatSignatureNumber(uint32_t Register);

// Blanks (0x20) first, one optional sign, then decimal digits, or hexadecimal
// digits behind "$", "x", "X", "0x" or "0X". The text ends at its first NUL.
// Nothing when anything else follows, no digits stand, or a decimal value
// leaves the 32-bit range; a hexadecimal value of up to 32 bits is taken as
// that pattern and negated behind "-".
std::optional<int32_t> ParseSignatureNumber(std::string_view Text);

} // namespace quillon
