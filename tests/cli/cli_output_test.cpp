#include "cli/cli_output.h"
#include "support/test_support.h"

#include <climits>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace quillon::cli {
namespace {

// Reads a JSON string literal back, written apart from the writer so that the
// test checks the format rather than restating the code. Characters above
// U+00FF, raw control bytes and raw non-ASCII bytes make it fail.
std::optional<std::string> DecodeJsonLatin1String(const std::string& Literal) {
    if (Literal.size() < 2 || Literal.front() != '"' || Literal.back() != '"')
        return std::nullopt;
    std::string Out;
    for (size_t I = 1; I + 1 < Literal.size(); ++I) {
        const auto C = static_cast<unsigned char>(Literal[I]);
        if (C < 0x20 || C > 0x7E || C == '"')
            return std::nullopt;
        if (C != '\\') {
            Out += static_cast<char>(C);
            continue;
        }
        if (I + 2 >= Literal.size())
            return std::nullopt; // a backslash escaping the closing quote
        const char E = Literal[++I];
        const std::string_view Simple = "\"\\/bfnrt", Meaning = "\"\\/\b\f\n\r\t";
        if (const size_t K = Simple.find(E); K != std::string_view::npos) {
            Out += Meaning[K];
        } else if (E == 'u' && I + 5 < Literal.size()) {
            const unsigned long V = std::stoul(Literal.substr(I + 1, 4), nullptr, 16);
            if (V > 0xFF)
                return std::nullopt;
            Out += static_cast<char>(V);
            I += 4;
        } else {
            return std::nullopt;
        }
    }
    return Out;
}

TEST(CliVerdicts, EveryCodeHasTheWindowsText) {
    EXPECT_EQ(VerdictText(1), "Original image file !!");
    EXPECT_EQ(VerdictText(0), "Entire image changed or wrong SITE-CODE !!");
    EXPECT_EQ(VerdictText(-3), "Entire image changed or wrong SITE-CODE !!");
    EXPECT_EQ(VerdictText(-1), "Invalid group code");
    EXPECT_EQ(VerdictText(-2), "Invalid file");
    EXPECT_EQ(VerdictText(-4),
              "In your system, the environment value as \"TEMP\" is not set.\r\nIt is very "
              "important system environment value. Pleas check it, and try again.");
    EXPECT_EQ(VerdictText(-5),
              "Not enough free space in TEMP directory.\r\nPleas check it, and try again.");
    for (const int32_t Other : {-9, -6, 2, 100, INT32_MIN, INT32_MAX})
        EXPECT_EQ(VerdictText(Other), "unknown error") << Other;
}

TEST(CliVerdicts, TextLineKeepsTheWordsOnOneLine) {
    EXPECT_EQ(FormatVerifyText("a b/c.jpg", 1), "a b/c.jpg\t1\tOriginal image file !!");
    EXPECT_EQ(FormatVerifyText("x.avi", -5),
              "x.avi\t-5\tNot enough free space in TEMP directory. Pleas check it, and try again.");
    const std::string Temp = FormatVerifyText("x.avi", -4);
    EXPECT_EQ(Temp.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(Temp.find("is not set. It is very important"), std::string::npos);
}

TEST(CliJson, EveryByteValueSurvivesTheRoundTrip) {
    std::string All;
    for (int B = 0; B < 256; ++B)
        All += static_cast<char>(B);
    const std::string Literal = JsonString(All);
    for (const char C : Literal) {
        const auto B = static_cast<unsigned char>(C);
        ASSERT_TRUE(B >= 0x20 && B <= 0x7E) << "unescaped byte " << int(B);
    }
    const auto Decoded = DecodeJsonLatin1String(Literal);
    ASSERT_TRUE(Decoded.has_value()) << Literal;
    EXPECT_EQ(*Decoded, All);
}

TEST(CliJson, EscapesUseTheShortFormsWhereJsonHasThem) {
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("\n\r\t\b\f"), R"("\n\r\t\b\f")");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001F\u007F")");
    // UTF-8 "é" is two bytes, each kept as its own character.
    EXPECT_EQ(JsonString("\xC3\xA9"), R"("\u00C3\u00A9")");
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), R"("a\u0000b")");
    EXPECT_EQ(JsonString(""), R"("")");
}

TEST(CliJson, VerifyObjectCarriesPathCodeAndVerdict) {
    EXPECT_EQ(FormatVerifyJson("dir/\"odd\"\n\xFF name.jpg", -4),
              R"({"path":"dir/\"odd\"\n\u00FF name.jpg","code":-4,"verdict":"In your system, )"
              R"(the environment value as \"TEMP\" is not set.\r\nIt is very important system )"
              R"(environment value. Pleas check it, and try again."})");
    EXPECT_EQ(FormatVerifyJson("a.jpg", 1),
              R"({"path":"a.jpg","code":1,"verdict":"Original image file !!"})");
}

TEST(CliBytes, HexAndPrintableForms) {
    EXPECT_EQ(Hex8(0), "00000000");
    EXPECT_EQ(Hex8(0xCA6598D0u), "CA6598D0");
    EXPECT_EQ(Hex8(0x0000ABCDu), "0000ABCD");
    const std::string Comment("KvWM\0-12\\\xFF", 10);
    EXPECT_EQ(HexBytes(Comment), "4B76574D002D31325CFF");
    EXPECT_EQ(PrintableText(Comment), "KvWM\\x00-12\\\\\\xFF");
    EXPECT_EQ(PrintableText(" ~\t"), " ~\\x09");
    EXPECT_EQ(HexBytes(""), "");
}

// A bit-at-a-time register step, independent of the table-driven one.
uint32_t SlowCrc(uint32_t Crc, const uint8_t* Data, size_t Len) {
    for (size_t I = 0; I < Len; ++I) {
        Crc ^= Data[I];
        for (int K = 0; K < 8; ++K)
            Crc = (Crc & 1) ? (Crc >> 1) ^ 0xEDB88320u : Crc >> 1;
    }
    return Crc;
}

// Random pixels; the padding beyond 3 x Width is filled too, so that a
// checksum or writer reading it shows.
TRenderedImage MakeImage(int32_t Width, int32_t Height, size_t Padding, unsigned Seed) {
    TRenderedImage Image;
    Image.Width = Width;
    Image.Height = Height;
    Image.Stride = static_cast<size_t>(Width) * 3 + Padding;
    const size_t Size = Image.Stride * static_cast<size_t>(Height);
    Image.Pixels = std::make_unique<uint8_t[]>(Size);
    std::mt19937 Rng(Seed);
    for (size_t I = 0; I < Size; ++I)
        Image.Pixels[I] = static_cast<uint8_t>(Rng());
    return Image;
}

// The slow register run over the first Fed bytes of every row, top to bottom.
uint32_t SlowRowsCrc(const TRenderedImage& Image, size_t Fed) {
    uint32_t Crc = 0;
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Crc = SlowCrc(Crc, Image.Row(Y), Fed);
    return Crc;
}

TEST(CliRenderRows, ChecksumCoversThreeBytesAPixelOnly) {
    const TRenderedImage Image = MakeImage(7, 5, 9, 1);
    EXPECT_EQ(RowsChecksum(Image), SlowRowsCrc(Image, 21));
}

TEST(CliRenderRows, ChecksumCountWrapsAt65536BytesARow) {
    // 21846 pixels = 65538 bytes a row, of which 2 are fed.
    const TRenderedImage Wide = MakeImage(21846, 2, 0, 2);
    EXPECT_EQ(RowsChecksum(Wide), SlowRowsCrc(Wide, 2));
    // 21845 pixels = 65535 bytes, all fed.
    const TRenderedImage Widest = MakeImage(21845, 1, 0, 3);
    EXPECT_EQ(RowsChecksum(Widest), SlowCrc(0, Widest.Row(0), 65535));
}

TEST(CliRenderRows, BgrNameGetsTheRawRowsWithoutPadding) {
    test::TScratchDir Dir;
    const TRenderedImage Image = MakeImage(5, 3, 7, 5);
    const std::string Path = Dir / "out.BGR";
    WriteRenderedImage(Image, Path);
    std::vector<uint8_t> Expected;
    for (int32_t Y = 0; Y < 3; ++Y)
        Expected.insert(Expected.end(), Image.Row(Y), Image.Row(Y) + 15);
    EXPECT_EQ(test::ReadBytes(Path), Expected);
}

TEST(CliRenderRows, UnwritableDestinationRaisesAndLeavesNothing) {
    test::TScratchDir Dir;
    const TRenderedImage Image = MakeImage(2, 2, 0, 6);
    const std::string Path = Dir / "missing/out.ppm";
    EXPECT_THROW(WriteRenderedImage(Image, Path), EFileError);
    EXPECT_FALSE(std::filesystem::exists(Path));
}

} // namespace
} // namespace quillon::cli
