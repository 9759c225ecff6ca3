#include "cli_escape.h"

#include "cli_output.h"

#include <algorithm>

namespace quillon::cli {

namespace {

// Characters a terminal or a line reader would act on rather than show,
// other than those of ASCII: the C1 controls (U+0080..U+009F), the line and
// paragraph separators (U+2028, U+2029), and the bidirectional embeddings,
// overrides and isolates (U+202A..U+202E, U+2066..U+2069), which reorder
// what follows them on screen.
bool IsHiddenControl(std::string_view Sequence) {
    const auto B = [&](size_t I) { return static_cast<unsigned char>(Sequence[I]); };
    if (Sequence.size() == 2)
        return B(0) == 0xC2 && B(1) <= 0x9F;
    if (Sequence.size() != 3 || B(0) != 0xE2)
        return false;
    if (B(1) == 0x80)
        return B(2) >= 0xA8 && B(2) <= 0xAE;
    return B(1) == 0x81 && B(2) >= 0xA6 && B(2) <= 0xA9;
}

void AppendByteEscape(std::string& Out, unsigned char B) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    Out += "\\x";
    Out += Digits[B >> 4];
    Out += Digits[B & 0x0F];
}

std::string Escape(std::string_view Bytes, bool EscapeBackslash) {
    std::string Out;
    Out.reserve(Bytes.size());
    for (size_t I = 0; I < Bytes.size();) {
        const auto B = static_cast<unsigned char>(Bytes[I]);
        if (B >= 0x80) {
            const size_t N = Utf8SequenceLength(Bytes.substr(I));
            if (N == 0 || IsHiddenControl(Bytes.substr(I, N))) {
                for (size_t K = 0; K < std::max<size_t>(N, 1); ++K)
                    AppendByteEscape(Out, static_cast<unsigned char>(Bytes[I + K]));
                I += std::max<size_t>(N, 1);
            } else {
                Out.append(Bytes.substr(I, N));
                I += N;
            }
            continue;
        }
        ++I;
        switch (B) {
        case '\t':
            Out += "\\t";
            continue;
        case '\n':
            Out += "\\n";
            continue;
        case '\r':
            Out += "\\r";
            continue;
        case '\\':
            Out += EscapeBackslash ? "\\\\" : "\\";
            continue;
        default:
            if (B < 0x20 || B == 0x7F)
                AppendByteEscape(Out, B);
            else
                Out += static_cast<char>(B);
        }
    }
    return Out;
}

} // namespace

std::string EscapeField(std::string_view Bytes) {
    return Escape(Bytes, true);
}

std::string EscapeForTerminal(std::string_view Bytes) {
    return Escape(Bytes, false);
}

} // namespace quillon::cli
