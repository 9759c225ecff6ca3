#include "signature_number.h"

namespace quillon {

std::string FormatSignatureNumber(uint32_t Register) {
    return std::to_string(static_cast<int32_t>(Register));
}

namespace {

int HexValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

} // namespace

std::optional<int32_t> ParseSignatureNumber(std::string_view Text) {
    if (const size_t Nul = Text.find('\0'); Nul != std::string_view::npos)
        Text = Text.substr(0, Nul);
    size_t I = 0;
    while (I < Text.size() && Text[I] == ' ')
        ++I;
    bool Negative = false;
    if (I < Text.size() && (Text[I] == '+' || Text[I] == '-'))
        Negative = Text[I++] == '-';

    bool Hex = false;
    if (I < Text.size() && (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X')) {
        Hex = true;
        ++I;
    } else if (I + 1 < Text.size() && Text[I] == '0' &&
               (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Hex = true;
        I += 2;
    }
    if (I == Text.size())
        return std::nullopt;

    uint64_t Value = 0;
    for (; I < Text.size(); ++I) {
        if (Hex) {
            const int D = HexValue(Text[I]);
            if (D < 0)
                return std::nullopt;
            Value = Value * 16 + static_cast<unsigned>(D);
            if (Value > 0xFFFFFFFFu)
                return std::nullopt;
        } else {
            const char C = Text[I];
            if (C < '0' || C > '9')
                return std::nullopt;
            Value = Value * 10 + static_cast<unsigned>(C - '0');
            if (Value > 0x80000000u)
                return std::nullopt;
        }
    }
    if (Hex) {
        const uint32_t Pattern = static_cast<uint32_t>(Value);
        return static_cast<int32_t>(Negative ? 0u - Pattern : Pattern);
    }
    if (!Negative && Value > 0x7FFFFFFFu)
        return std::nullopt;
    return static_cast<int32_t>(Negative ? 0u - static_cast<uint32_t>(Value)
                                         : static_cast<uint32_t>(Value));
}

} // namespace quillon
