// Arbitrary text as a stored signature number, and every register through
// writing and reading back.
#include "engine/signature_number.h"

#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    ParseSignatureNumber(std::string_view(reinterpret_cast<const char*>(Data), Size));
    uint32_t Register = 0;
    std::memcpy(&Register, Data, Size < sizeof Register ? Size : sizeof Register);
    const std::optional<int32_t> Back = ParseSignatureNumber(FormatSignatureNumber(Register));
    if (!Back || static_cast<uint32_t>(*Back) != Register)
        __builtin_trap();
    return 0;
}
