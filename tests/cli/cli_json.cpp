#include "cli/cli_json.h"

namespace quillon::test {

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

// Reads a string literal starting at Text[Pos] == '"'; moves Pos past it.
std::optional<std::string> ReadString(const std::string& Text, size_t& Pos) {
    if (Pos >= Text.size() || Text[Pos] != '"')
        return std::nullopt;
    std::string Out;
    for (size_t I = Pos + 1; I < Text.size(); ++I) {
        const auto C = static_cast<unsigned char>(Text[I]);
        if (C == '"') {
            Pos = I + 1;
            return Out;
        }
        if (C < 0x20 || C > 0x7E)
            return std::nullopt; // raw control or non-ASCII byte: not escaped
        if (C != '\\') {
            Out += static_cast<char>(C);
            continue;
        }
        if (++I >= Text.size())
            return std::nullopt;
        switch (Text[I]) {
        case '"':
            Out += '"';
            break;
        case '\\':
            Out += '\\';
            break;
        case '/':
            Out += '/';
            break;
        case 'b':
            Out += '\b';
            break;
        case 'f':
            Out += '\f';
            break;
        case 'n':
            Out += '\n';
            break;
        case 'r':
            Out += '\r';
            break;
        case 't':
            Out += '\t';
            break;
        case 'u': {
            if (I + 4 >= Text.size())
                return std::nullopt;
            int Value = 0;
            for (int K = 1; K <= 4; ++K) {
                const int H = HexValue(Text[I + static_cast<size_t>(K)]);
                if (H < 0)
                    return std::nullopt;
                Value = Value * 16 + H;
            }
            if (Value > 0xFF)
                return std::nullopt;
            Out += static_cast<char>(Value);
            I += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> DecodeJsonLatin1String(const std::string& Literal) {
    size_t Pos = 0;
    auto S = ReadString(Literal, Pos);
    if (!S || Pos != Literal.size())
        return std::nullopt;
    return S;
}

std::optional<std::map<std::string, std::string>> ParseFlatJsonObject(const std::string& Line) {
    std::map<std::string, std::string> Members;
    size_t Pos = 0;
    if (Line.empty() || Line[Pos++] != '{')
        return std::nullopt;
    for (;;) {
        auto Key = ReadString(Line, Pos);
        if (!Key || Pos >= Line.size() || Line[Pos++] != ':')
            return std::nullopt;
        if (Pos < Line.size() && Line[Pos] == '"') {
            auto Value = ReadString(Line, Pos);
            if (!Value)
                return std::nullopt;
            Members[*Key] = *Value;
        } else {
            const size_t Start = Pos;
            if (Pos < Line.size() && Line[Pos] == '-')
                ++Pos;
            while (Pos < Line.size() && Line[Pos] >= '0' && Line[Pos] <= '9')
                ++Pos;
            if (Pos == Start)
                return std::nullopt;
            Members[*Key] = Line.substr(Start, Pos - Start);
        }
        if (Pos >= Line.size())
            return std::nullopt;
        const char Next = Line[Pos++];
        if (Next == '}')
            return Pos == Line.size() ? std::optional(Members) : std::nullopt;
        if (Next != ',')
            return std::nullopt;
    }
}

} // namespace quillon::test
