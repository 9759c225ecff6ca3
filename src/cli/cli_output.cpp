#include "cli_output.h"

#include "cli_escape.h"

#include "engine/jpeg_checksum.h"
#include "engine/mediasign.h"
#include "engine/verdict_text.h"
#include "platform/files.h"

#include <algorithm>
#include <vector>

namespace quillon::cli {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& Out, unsigned char B) {
    Out += HexDigits[B >> 4];
    Out += HexDigits[B & 0x0F];
}

} // namespace

namespace {

std::string VerdictLine(int32_t Code) {
    std::string Verdict(VerdictText(Code));
    for (size_t P; (P = Verdict.find("\r\n")) != std::string::npos;)
        Verdict.replace(P, 2, " ");
    return Verdict;
}

// A JSON string literal; bytes outside valid UTF-8 become U+FFFD.
std::string JsonLiteral(std::string_view Bytes, bool& Exact) {
    std::string Out = "\"";
    Exact = true;
    for (size_t I = 0; I < Bytes.size();) {
        const auto B = static_cast<unsigned char>(Bytes[I]);
        if (B >= 0x80) {
            const size_t N = Utf8SequenceLength(Bytes.substr(I));
            if (N == 0) {
                Out += "\xEF\xBF\xBD";
                Exact = false;
                ++I;
            } else {
                Out.append(Bytes.substr(I, N));
                I += N;
            }
            continue;
        }
        switch (B) {
        case '"':
            Out += "\\\"";
            break;
        case '\\':
            Out += "\\\\";
            break;
        case '\b':
            Out += "\\b";
            break;
        case '\f':
            Out += "\\f";
            break;
        case '\n':
            Out += "\\n";
            break;
        case '\r':
            Out += "\\r";
            break;
        case '\t':
            Out += "\\t";
            break;
        default:
            if (B < 0x20) {
                Out += "\\u00";
                AppendHexByte(Out, B);
            } else {
                Out += static_cast<char>(B);
            }
        }
        ++I;
    }
    return Out + "\"";
}

} // namespace

size_t Utf8SequenceLength(std::string_view Bytes) {
    if (Bytes.empty())
        return 0;
    const auto At = [&](size_t I) { return static_cast<unsigned char>(Bytes[I]); };
    const unsigned char B0 = At(0);
    size_t N;
    unsigned char Low = 0x80, High = 0xBF; // the second byte's range
    if (B0 < 0x80)
        return 1;
    if (B0 >= 0xC2 && B0 <= 0xDF) {
        N = 2;
    } else if (B0 >= 0xE0 && B0 <= 0xEF) {
        N = 3;
        if (B0 == 0xE0)
            Low = 0xA0; // no overlong forms
        if (B0 == 0xED)
            High = 0x9F; // no surrogates
    } else if (B0 >= 0xF0 && B0 <= 0xF4) {
        N = 4;
        if (B0 == 0xF0)
            Low = 0x90;
        if (B0 == 0xF4)
            High = 0x8F; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (Bytes.size() < N || At(1) < Low || At(1) > High)
        return 0;
    for (size_t I = 2; I < N; ++I)
        if (At(I) < 0x80 || At(I) > 0xBF)
            return 0;
    return N;
}

std::string JsonTextField(std::string_view Name, std::string_view Bytes) {
    bool Exact = true;
    std::string Out = "\"" + std::string(Name) + "\":" + JsonLiteral(Bytes, Exact);
    if (!Exact)
        Out += ",\"" + std::string(Name) + "_bytes\":\"" + HexBytes(Bytes) + "\"";
    return Out;
}

std::string FormatVerifyTsv(std::string_view Path, const TVerifyResult& Result) {
    return EscapeField(Path) + '\t' + std::to_string(Result.Code) + '\t' +
           VerdictLine(Result.Code) + '\t' + EscapeField(Result.Reason);
}

std::string FormatVerifyJson(std::string_view Path, const TVerifyResult& Result) {
    bool Exact;
    return "{" + JsonTextField("path", Path) + ",\"code\":" + std::to_string(Result.Code) +
           ",\"verdict\":" + JsonLiteral(VerdictText(Result.Code), Exact) + "," +
           JsonTextField("reason", Result.Reason) + "}";
}

std::string FormatVerifyWords(std::string_view Path, const TVerifyResult& Result) {
    std::string Line = EscapeForTerminal(Path) + ": " + VerdictLine(Result.Code);
    if (!Result.Reason.empty())
        Line += ": " + EscapeForTerminal(Result.Reason);
    return Line;
}

std::string FormatMediaVerdictTsv(std::string_view Path, const TMediaVerdict& Verdict) {
    const TStrongVerdict& V = Verdict.Strong;
    return FormatVerifyTsv(Path, Verdict.Legacy) + '\t' + std::string(StrongClassName(V.Class)) +
           '\t' + (V.KeyId ? KeyIdText(*V.KeyId) : "") + '\t' + EscapeField(V.KeyComment) +
           '\t' + (V.SignedAt ? UtcTimeIso(*V.SignedAt) : "") + '\t' + EscapeField(V.Detail);
}

std::string FormatMediaVerdictJson(std::string_view Path, const TMediaVerdict& Verdict) {
    const TStrongVerdict& V = Verdict.Strong;
    std::string Strong = "{\"verdict\":\"" + std::string(StrongClassName(V.Class)) + "\"";
    if (V.KeyId)
        Strong += ",\"key_id\":\"" + KeyIdText(*V.KeyId) + "\"";
    if (!V.KeyComment.empty())
        Strong += "," + JsonTextField("key_comment", V.KeyComment);
    if (V.SignedAt)
        Strong += ",\"signed_at\":\"" + UtcTimeIso(*V.SignedAt) + "\"";
    if (!V.Detail.empty())
        Strong += "," + JsonTextField("reason", V.Detail);
    std::string Line = FormatVerifyJson(Path, Verdict.Legacy);
    Line.pop_back(); // the closing brace
    return Line + ",\"strong\":" + Strong + "}}";
}

std::string FormatMediaVerdictWords(std::string_view Path, const TMediaVerdict& Verdict) {
    std::string Line = FormatVerifyWords(Path, Verdict.Legacy);
    if (Verdict.Strong.Class != TStrongClass::NoTag)
        Line += " | strong: " + EscapeForTerminal(StrongVerdictWords(Verdict.Strong));
    return Line;
}

std::string HexBytes(std::string_view Bytes) {
    std::string Out;
    Out.reserve(Bytes.size() * 2);
    for (const char C : Bytes)
        AppendHexByte(Out, static_cast<unsigned char>(C));
    return Out;
}

std::string Hex8(uint32_t Value) {
    std::string Out(8, '0');
    for (int I = 7; I >= 0; --I, Value >>= 4)
        Out[static_cast<size_t>(I)] = HexDigits[Value & 0x0F];
    return Out;
}

std::string PrintableText(std::string_view Bytes) {
    std::string Out;
    Out.reserve(Bytes.size());
    for (const char C : Bytes) {
        const auto B = static_cast<unsigned char>(C);
        if (C == '\\') {
            Out += "\\\\";
        } else if (B >= 0x20 && B <= 0x7E) {
            Out += C;
        } else {
            Out += "\\x";
            AppendHexByte(Out, B);
        }
    }
    return Out;
}

namespace {

size_t RowBytes(const TRenderedImage& Image) {
    return static_cast<size_t>(Image.Width) * 3;
}

} // namespace

uint32_t RowsChecksum(const TRenderedImage& Image) {
    uint32_t Crc = 0;
    FeedRenderedRows(Image, Crc);
    return Crc;
}

void WritePpm(const TRenderedImage& Image, TFileStream& Out) {
    const std::string Header =
        "P6\n" + std::to_string(Image.Width) + " " + std::to_string(Image.Height) + "\n255\n";
    Out.Write(Header.data(), Header.size());
    std::vector<uint8_t> Line(RowBytes(Image));
    for (int32_t Y = 0; Y < Image.Height; ++Y) {
        const uint8_t* Src = Image.Row(Y);
        if (Image.StoredRgbOrder) {
            std::copy(Src, Src + Line.size(), Line.begin());
        } else {
            for (size_t X = 0; X < Line.size(); X += 3) {
                Line[X] = Src[X + 2];
                Line[X + 1] = Src[X + 1];
                Line[X + 2] = Src[X];
            }
        }
        Out.Write(Line.data(), Line.size());
    }
}

void WriteRawRows(const TRenderedImage& Image, TFileStream& Out) {
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Out.Write(Image.Row(Y), RowBytes(Image));
}

void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path, TReplace Rule) {
    TPendingFile Out(Path, Rule);
    if (SameTextAscii(ExtractFileExt(Path), ".bgr"))
        WriteRawRows(Image, Out.Stream());
    else
        WritePpm(Image, Out.Stream());
    Out.Commit();
}

} // namespace quillon::cli
