#include "cli/cli_escape.h"
#include "cli/cli_output.h"
#include "cli/cli_progress.h"
#include "support/test_support.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sstream>

namespace quillon::cli {
namespace {

TEST(CliVerifyLines, TsvKeepsFourColumnsOnOneLine) {
    EXPECT_EQ(FormatVerifyTsv("a b/c.jpg", {1}), "a b/c.jpg\t1\tOriginal image file !!\t");
    EXPECT_EQ(FormatVerifyTsv("x.avi", {-5, "TEMP folder /t is full"}),
              "x.avi\t-5\tNot enough free space in TEMP directory. Pleas check it, and try "
              "again.\tTEMP folder /t is full");
    const std::string Temp = FormatVerifyTsv("x.avi", {-4, "TEMP is not set"});
    EXPECT_EQ(Temp.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(Temp.find("is not set. It is very important"), std::string::npos);
}

// Odd names in both printed forms: a program's lines escape every byte that
// could split a field or a line, a person's terminal only the controls.
TEST(CliEscape, NamesCannotForgeLinesFieldsOrTerminalState) {
    struct TCase {
        const char* What;
        std::string Name;
        std::string Field;
        std::string Terminal;
    };
    const TCase Cases[] = {
        {"plain", "a b/c.jpg", "a b/c.jpg", "a b/c.jpg"},
        {"forged line", "fake\t1\tOriginal image file !!\t\nx.jpg",
         "fake\\t1\\tOriginal image file !!\\t\\nx.jpg",
         "fake\\t1\\tOriginal image file !!\\t\\nx.jpg"},
        {"carriage return", "a\rb", "a\\rb", "a\\rb"},
        {"backslash", "C:\\x\\t.jpg", "C:\\\\x\\\\t.jpg", "C:\\x\\t.jpg"},
        {"escape sequence", "\x1B[31mred\x1B[0m", "\\x1B[31mred\\x1B[0m", "\\x1B[31mred\\x1B[0m"},
        {"NUL, bell, DEL", std::string("a\0\a\x7F", 4), "a\\x00\\x07\\x7F", "a\\x00\\x07\\x7F"},
        {"UTF-8 text", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7",
         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7"},
        {"C1 control CSI",
         "a\xC2\x9B"
         "2J",
         "a\\xC2\\x9B2J", "a\\xC2\\x9B2J"},
        {"no-break space stays",
         "a\xC2\xA0"
         "b",
         "a\xC2\xA0"
         "b",
         "a\xC2\xA0"
         "b"},
        {"line separator",
         "a\xE2\x80\xA8"
         "b",
         "a\\xE2\\x80\\xA8b", "a\\xE2\\x80\\xA8b"},
        {"right-to-left override", "x\xE2\x80\xAEgpj.exe", "x\\xE2\\x80\\xAEgpj.exe",
         "x\\xE2\\x80\\xAEgpj.exe"},
        {"isolate",
         "\xE2\x81\xA6"
         "a",
         "\\xE2\\x81\\xA6a", "\\xE2\\x81\\xA6a"},
        {"Latin-1 byte", "caf\xE9.jpg", "caf\\xE9.jpg", "caf\\xE9.jpg"},
        {"cut sequence", "x\xE2\x82", "x\\xE2\\x82", "x\\xE2\\x82"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.What);
        EXPECT_EQ(EscapeField(C.Name), C.Field);
        EXPECT_EQ(EscapeForTerminal(C.Name), C.Terminal);
        const std::string Line = FormatVerifyTsv(C.Name, {-9, C.Name});
        EXPECT_EQ(Line.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(std::count(Line.begin(), Line.end(), '\t'), 3);
        EXPECT_EQ(FormatVerifyWords(C.Name, {1}).find_first_of("\r\n\x1B"), std::string::npos);
    }
}

TEST(CliVerifyLines, WordsGiveVerdictAndReason) {
    EXPECT_EQ(FormatVerifyWords("a.jpg", {1}), "a.jpg: Original image file !!");
    EXPECT_EQ(FormatVerifyWords("b.jpg", {-9, "not a JPEG file (JPEG error #53)"}),
              "b.jpg: unknown error: not a JPEG file (JPEG error #53)");
}

TEST(CliJson, TextStaysTextAndOtherBytesAreKeptApart) {
    struct TCase {
        std::string Bytes;
        const char* Field;
    };
    const TCase Cases[] = {
        {"plain", R"("p":"plain")"},
        {"a\"b\\c/", R"("p":"a\"b\\c/")"},
        {"\n\r\t\b\f", R"("p":"\n\r\t\b\f")"},
        {std::string("\x01\x1f\x7f", 3), "\"p\":\"\\u0001\\u001F\x7f\""},
        {std::string("a\0b", 3), R"("p":"a\u0000b")"},
        // Valid UTF-8 stands as itself: two, three and four bytes.
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7",
         "\"p\":\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7\""},
        // A Latin-1 byte, an overlong slash, a surrogate, a cut sequence.
        {"caf\xE9", "\"p\":\"caf\xEF\xBF\xBD\",\"p_bytes\":\"636166E9\""},
        {"\xC0\xAF", "\"p\":\"\xEF\xBF\xBD\xEF\xBF\xBD\",\"p_bytes\":\"C0AF\""},
        {"\xED\xA0\x80", "\"p\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"p_bytes\":\"EDA080\""},
        {"x\xE2\x82", "\"p\":\"x\xEF\xBF\xBD\xEF\xBF\xBD\",\"p_bytes\":\"78E282\""},
    };
    for (const TCase& C : Cases)
        EXPECT_EQ(JsonTextField("p", C.Bytes), C.Field) << HexBytes(C.Bytes);
}

TEST(CliJson, VerifyObjectCarriesPathCodeVerdictAndReason) {
    EXPECT_EQ(FormatVerifyJson("a.jpg", {1}),
              R"({"path":"a.jpg","code":1,"verdict":"Original image file !!","reason":""})");
    EXPECT_EQ(FormatVerifyJson("x.avi", {-4, "TEMP folder /t is missing"}),
              R"({"path":"x.avi","code":-4,"verdict":"In your system, the environment value )"
              R"(as \"TEMP\" is not set.\r\nIt is very important system environment value. )"
              R"(Pleas check it, and try again.","reason":"TEMP folder /t is missing"})");
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

TEST(CliProgress, RedrawsAtMostTenTimesASecondAndWipesItself) {
    std::ostringstream Err;
    {
        TProgressLine Line(Err, 3, 3 << 20);
        Line.Update(0, 0);
        Line.Update(1, 1 << 20); // too soon after the first drawing
        EXPECT_EQ(Err.str(), "\r0/3 files  0 B of 3.0 MiB\x1b[K");
    }
    EXPECT_EQ(Err.str(), "\r0/3 files  0 B of 3.0 MiB\x1b[K\r\x1b[K");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
    EXPECT_EQ(FormatBytes(5ull << 30), "5.0 GiB");
}

TEST(CliStrongLines, EachFormCarriesTheStrongVerdictAndEscapesItsTexts) {
    TMediaVerdict Original{TVerifyResult{1}, {}};
    Original.Strong.Class = TStrongClass::Original;
    Original.Strong.KeyId = TKeyId{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    Original.Strong.KeyComment = "Ed\tItor";
    Original.Strong.SignedAt = 1'765'000'000;
    TMediaVerdict Damaged{TVerifyResult{0}, {}};
    Damaged.Strong.Class = TStrongClass::Damaged;
    Damaged.Strong.Detail = "cut\nshort";
    const TMediaVerdict NoTag{TVerifyResult{-3, "no signature comment"}, {}};
    struct TCase {
        const char* Name;
        const TMediaVerdict& Verdict;
        const char* Tsv;
        const char* JsonStrong;
        const char* Words;
    };
    const TCase Cases[] = {
        {"Original", Original,
         "a.jpg\t1\tOriginal image file !!\t\toriginal\tEFCDAB8967452301\tEd\\tItor\t"
         "2025-12-06T05:46:40Z\t",
         R"("strong":{"verdict":"original","key_id":"EFCDAB8967452301","key_comment":"Ed\tItor",)"
         R"("signed_at":"2025-12-06T05:46:40Z"}})",
         "a.jpg: Original image file !! | strong: original, signed by Ed\\tItor (key "
         "EFCDAB8967452301) at 2025-12-06 05:46:40 UTC"},
        {"Damaged", Damaged,
         "a.jpg\t0\tEntire image changed or wrong SITE-CODE !!\t\tdamaged\t\t\t\tcut\\nshort",
         R"("strong":{"verdict":"damaged","reason":"cut\nshort"}})",
         "a.jpg: Entire image changed or wrong SITE-CODE !! | strong: strong tag damaged: "
         "cut\\nshort"},
        {"NoTag", NoTag,
         "a.jpg\t-3\tEntire image changed or wrong SITE-CODE !!\tno signature comment\tno-tag"
         "\t\t\t\t",
         R"("strong":{"verdict":"no-tag"}})",
         "a.jpg: Entire image changed or wrong SITE-CODE !!: no signature comment"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(FormatMediaVerdictTsv("a.jpg", C.Verdict), C.Tsv);
        const std::string Json = FormatMediaVerdictJson("a.jpg", C.Verdict);
        EXPECT_EQ(Json.substr(Json.find("\"strong\"")), C.JsonStrong) << Json;
        EXPECT_EQ(FormatMediaVerdictWords("a.jpg", C.Verdict), C.Words);
    }
}

} // namespace
} // namespace quillon::cli
