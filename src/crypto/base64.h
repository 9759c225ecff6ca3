// Base64 with the standard alphabet and padding, as key and signature
// files hold it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

std::string EncodeBase64(std::span<const uint8_t> Bytes);
// Nothing when Text is not exactly base64 (no blanks, padding as required).
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view Text);

} // namespace quillon
