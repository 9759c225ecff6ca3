#include "cli_output.h"

#include "engine/jpeg_checksum.h"
#include "engine/mediasign.h"
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

std::string_view VerdictText(int32_t Code) {
    switch (Code) {
    case VerifyOk:
        return "Original image file !!";
    case VerifyMismatch:
    case VerifyNoSignature:
        return "Entire image changed or wrong SITE-CODE !!";
    case VerifyNoSiteCode:
        return "Invalid group code";
    case VerifyNoFile:
        return "Invalid file";
    case VerifyNoTemp:
        return "In your system, the environment value as \"TEMP\" is not set.\r\n"
               "It is very important system environment value. Pleas check it, and try again.";
    case VerifyCopyFailed:
        return "Not enough free space in TEMP directory.\r\nPleas check it, and try again.";
    default:
        return "unknown error";
    }
}

std::string FormatVerifyText(std::string_view Path, int32_t Code) {
    std::string Verdict(VerdictText(Code));
    for (size_t P; (P = Verdict.find("\r\n")) != std::string::npos;)
        Verdict.replace(P, 2, " ");
    std::string Line(Path);
    Line += '\t';
    Line += std::to_string(Code);
    Line += '\t';
    Line += Verdict;
    return Line;
}

std::string FormatVerifyJson(std::string_view Path, int32_t Code) {
    return "{\"path\":" + JsonString(Path) + ",\"code\":" + std::to_string(Code) +
           ",\"verdict\":" + JsonString(VerdictText(Code)) + "}";
}

std::string JsonString(std::string_view Bytes) {
    std::string Out;
    Out.reserve(Bytes.size() + 2);
    Out += '"';
    for (const char C : Bytes) {
        const auto B = static_cast<unsigned char>(C);
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
            if (B < 0x20 || B > 0x7E) {
                Out += "\\u00";
                AppendHexByte(Out, B);
            } else {
                Out += C;
            }
        }
    }
    Out += '"';
    return Out;
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
    Out.Close();
}

void WriteRawRows(const TRenderedImage& Image, TFileStream& Out) {
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Out.Write(Image.Row(Y), RowBytes(Image));
    Out.Close();
}

void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path) {
    const bool Raw = SameTextAscii(ExtractFileExt(Path), ".bgr");
    std::string Failure;
    {
        TFileStream Out(Path, TFileMode::Create);
        try {
            if (Raw)
                WriteRawRows(Image, Out);
            else
                WritePpm(Image, Out);
            return;
        } catch (const EFileError& E) {
            Failure = E.what(); // removed below, once the stream is closed
        }
    }
    DeleteFile(Path);
    throw EFileError(Failure);
}

} // namespace quillon::cli
