#include "base64.h"

#include "sodium_setup.h"

#include <sodium.h>

namespace quillon {

std::string EncodeBase64(std::span<const uint8_t> Bytes) {
    EnsureSodium();
    constexpr int Variant = sodium_base64_VARIANT_ORIGINAL;
    std::string Text(sodium_base64_ENCODED_LEN(Bytes.size(), Variant), '\0');
    sodium_bin2base64(Text.data(), Text.size(), Bytes.data(), Bytes.size(), Variant);
    Text.resize(Text.size() - 1); // the terminating NUL
    return Text;
}

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view Text) {
    EnsureSodium();
    std::vector<uint8_t> Bytes(Text.size() / 4 * 3 + 3);
    size_t Length = 0;
    const char* End = nullptr;
    if (sodium_base642bin(Bytes.data(), Bytes.size(), Text.data(), Text.size(), nullptr, &Length,
                          &End, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        End != Text.data() + Text.size())
        return std::nullopt;
    Bytes.resize(Length);
    return Bytes;
}

} // namespace quillon
