#include "engine/signature_number.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace quillon {
namespace {

TEST(FormatSignatureNumber, SignedDecimalOfTheRegister) {
    EXPECT_EQ(FormatSignatureNumber(0), "0");
    EXPECT_EQ(FormatSignatureNumber(7), "7");
    EXPECT_EQ(FormatSignatureNumber(0x7FFFFFFFu), "2147483647");
    EXPECT_EQ(FormatSignatureNumber(0x80000000u), "-2147483648");
    EXPECT_EQ(FormatSignatureNumber(0xFFFFFFFFu), "-1");
    EXPECT_EQ(FormatSignatureNumber(0xB27D0024u), "-1300430812");
}

struct TParseCase {
    std::string Text;
    std::optional<int32_t> Expected;
};

std::ostream& operator<<(std::ostream& Os, const TParseCase& C) {
    Os << '"';
    for (const char Ch : C.Text)
        Ch == '\0' ? Os << "\\0" : Os << Ch;
    return Os << '"';
}

class ParseSignatureNumberTest : public ::testing::TestWithParam<TParseCase> {};

// The text spelt out in the characters a test name may hold: "   -5" is
// "___minus5", "$ff" is "hexff", a NUL is "nul".
std::string CaseName(const ::testing::TestParamInfo<TParseCase>& Info) {
    std::string Name;
    for (const char C : Info.param.Text) {
        if (std::isalnum(static_cast<unsigned char>(C)))
            Name += C;
        else if (C == ' ')
            Name += '_';
        else
            Name += C == '-'    ? "minus"
                    : C == '+'  ? "plus"
                    : C == '$'  ? "hex"
                    : C == '.'  ? "dot"
                    : C == '\t' ? "tab"
                    : C == '\0' ? "nul"
                                : "x";
    }
    return Name.empty() ? "empty" : Name;
}

TEST_P(ParseSignatureNumberTest, Converts) {
    EXPECT_EQ(ParseSignatureNumber(GetParam().Text), GetParam().Expected);
}

using std::nullopt;
using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Decimal, ParseSignatureNumberTest,
    ::testing::Values(TParseCase{"0", 0}, TParseCase{"-0", 0}, TParseCase{"+17", 17},
                      TParseCase{"-1300430812", -1300430812}, TParseCase{"000123", 123},
                      TParseCase{"2147483647", 2147483647}, TParseCase{"-2147483648", INT32_MIN},
                      TParseCase{"2147483648", nullopt}, TParseCase{"-2147483649", nullopt},
                      TParseCase{"2994536484", nullopt},
                      TParseCase{"99999999999999999999", nullopt},
                      TParseCase{"00000000002147483647", 2147483647}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(BlanksAndSigns, ParseSignatureNumberTest,
                         ::testing::Values(TParseCase{"   -5", -5}, TParseCase{" +5", 5},
                                           TParseCase{"- 5", nullopt}, TParseCase{"5 ", nullopt},
                                           TParseCase{"\t5", nullopt}, TParseCase{"+-5", nullopt},
                                           TParseCase{"--5", nullopt}, TParseCase{"", nullopt},
                                           TParseCase{"   ", nullopt}, TParseCase{"-", nullopt},
                                           TParseCase{"+", nullopt}, TParseCase{"12a", nullopt},
                                           TParseCase{"1.0", nullopt}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, ParseSignatureNumberTest,
    ::testing::Values(
        TParseCase{"$ff", 255}, TParseCase{"xFF", 255}, TParseCase{"XfF", 255},
        TParseCase{"0x10", 16}, TParseCase{"0X10", 16}, TParseCase{"0xB27D0024", -1300430812},
        TParseCase{"$b27d0024", -1300430812}, TParseCase{"$FFFFFFFF", -1}, TParseCase{"-$1", -1},
        TParseCase{"-$FFFFFFFF", 1}, TParseCase{"-0x80000000", INT32_MIN},
        TParseCase{"+$7fffffff", INT32_MAX}, TParseCase{"  $0", 0}, TParseCase{"$000000001", 1},
        TParseCase{"$100000000", nullopt}, TParseCase{"$", nullopt}, TParseCase{"0x", nullopt},
        TParseCase{"-x", nullopt}, TParseCase{"$g", nullopt}, TParseCase{"0x0x1", nullopt},
        TParseCase{"$ 1", nullopt}, TParseCase{"00x1", nullopt}, TParseCase{"x$1", nullopt}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(EndsAtNul, ParseSignatureNumberTest,
                         ::testing::Values(TParseCase{"-1300430812\0garbage"s, -1300430812},
                                           TParseCase{"12\0"s, 12},
                                           TParseCase{"\0"
                                                      "12"s,
                                                      nullopt},
                                           TParseCase{"$1\0zz"s, 1},
                                           TParseCase{"-\0"
                                                      "5"s,
                                                      nullopt},
                                           TParseCase{"5 \0"s, nullopt}),
                         CaseName);

} // namespace
} // namespace quillon
