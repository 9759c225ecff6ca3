#include "cli/cli_text.h"

#include <climits>
#include <gtest/gtest.h>
#include <optional>

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

} // namespace
} // namespace quillon::cli
