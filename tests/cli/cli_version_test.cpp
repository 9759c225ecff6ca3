// One version everywhere: the program prints the version the build recorded
// and, on Windows, the executable's version resource carries the same text
// and the numbers taken from it (release and commit count).
#include "cli/cli_process.h"
#include "version/version.h"

#include <array>
#include <gtest/gtest.h>
#include <cctype>
#include <optional>
#include <string>

#ifdef _WIN32
#include <vector>
#include <windows.h>
#endif

namespace quillon::test {
namespace {

// The four numbers of a version "MAJOR.MINOR.PATCH" with an optional local
// part "+" [0-9A-Za-z.]+: the release and the commit count after "+git" (0
// for a release); nothing when the text has another shape. (Read by hand:
// std::regex draws false warnings from the sanitizer build.)
std::optional<std::array<unsigned, 4>> VersionNumbers(const std::string& Version) {
    std::array<unsigned, 4> Numbers{};
    size_t At = 0;
    const auto Number = [&](unsigned& Out) {
        const size_t Start = At;
        while (At < Version.size() && std::isdigit(static_cast<unsigned char>(Version[At])))
            ++At;
        if (At == Start || At - Start > 9)
            return false;
        Out = static_cast<unsigned>(std::stoul(Version.substr(Start, At - Start)));
        return true;
    };
    for (int I = 0; I < 3; ++I) {
        if (!Number(Numbers[I]) || (I < 2 && (At >= Version.size() || Version[At++] != '.')))
            return std::nullopt;
    }
    if (At == Version.size())
        return Numbers;
    if (Version[At] != '+' || At + 1 == Version.size())
        return std::nullopt;
    for (size_t I = At + 1; I < Version.size(); ++I)
        if (!std::isalnum(static_cast<unsigned char>(Version[I])) && Version[I] != '.')
            return std::nullopt;
    if (Version.compare(At, 4, "+git") == 0) {
        At += 4;
        if (!Number(Numbers[3]))
            return std::nullopt;
    }
    return Numbers;
}

TEST(CliVersion, VersionShapesAreTold) {
    using TNumbers = std::array<unsigned, 4>;
    EXPECT_EQ(VersionNumbers("0.1.0"), (TNumbers{0, 1, 0, 0}));
    EXPECT_EQ(VersionNumbers("1.22.3+git42.g4961d09abc.dirty"), (TNumbers{1, 22, 3, 42}));
    EXPECT_EQ(VersionNumbers("1.2.3+local"), (TNumbers{1, 2, 3, 0}));
    for (const char* Bad : {"", "1.2", "1.2.3.4", "1.2.3+", "1.2.3+a b", "v1.2.3", "1..3"})
        EXPECT_EQ(VersionNumbers(Bad), std::nullopt) << Bad;
}

TEST(CliVersion, ProgramPrintsTheRecordedVersion) {
    const TCliRun Run = RunCliProcess({"--version"});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, "quillon-cli " + std::string(QuillonVersion()) + "\n");
}

// A release, or a release with a local part that Debian's version rules and
// Windows file names both take.
TEST(CliVersion, VersionIsAReleaseWithAnOptionalLocalPart) {
    const std::string Version(QuillonVersion());
    EXPECT_TRUE(VersionNumbers(Version).has_value()) << Version;
}

#ifdef _WIN32
// The four numbers the version resource should hold: major, minor, patch and
// the commit count after "+git" (0 for a release).
std::array<unsigned, 4> ExpectedNumbers(const std::string& Version) {
    return VersionNumbers(Version).value_or(std::array<unsigned, 4>{});
}

std::string Narrow(const wchar_t* Text) {
    std::string Out;
    for (; *Text != 0; ++Text)
        Out.push_back(static_cast<char>(*Text)); // version texts are ASCII
    return Out;
}

TEST(CliVersion, ResourceCarriesTheSameVersion) {
    std::wstring Path;
    for (const char* C = QUILLON_CLI_PATH; *C != 0; ++C)
        Path.push_back(static_cast<wchar_t>(*C));
    if (Path[0] == L'/') // a build on a POSIX host, run under wine
        Path = L"Z:" + Path;
    const DWORD Size = ::GetFileVersionInfoSizeW(Path.c_str(), nullptr);
    ASSERT_GT(Size, 0u) << "no version resource";
    std::vector<char> Data(Size);
    ASSERT_TRUE(::GetFileVersionInfoW(Path.c_str(), 0, Size, Data.data()));

    const std::string Version(QuillonVersion());
    for (const wchar_t* Name : {L"FileVersion", L"ProductVersion"}) {
        const std::wstring Key = std::wstring(L"\\StringFileInfo\\040904B0\\") + Name;
        void* Value = nullptr;
        UINT Length = 0;
        ASSERT_TRUE(::VerQueryValueW(Data.data(), Key.c_str(), &Value, &Length)) << Narrow(Name);
        EXPECT_EQ(Narrow(static_cast<const wchar_t*>(Value)), Version) << Narrow(Name);
    }

    void* Value = nullptr;
    UINT Length = 0;
    ASSERT_TRUE(::VerQueryValueW(Data.data(), L"\\", &Value, &Length));
    const auto* Fixed = static_cast<const VS_FIXEDFILEINFO*>(Value);
    const std::array<unsigned, 4> Want = ExpectedNumbers(Version);
    const std::array<unsigned, 4> Got = {
        HIWORD(Fixed->dwFileVersionMS), LOWORD(Fixed->dwFileVersionMS),
        HIWORD(Fixed->dwFileVersionLS), LOWORD(Fixed->dwFileVersionLS)};
    EXPECT_EQ(Got, Want);
    EXPECT_EQ(Fixed->dwProductVersionMS, Fixed->dwFileVersionMS);
    EXPECT_EQ(Fixed->dwProductVersionLS, Fixed->dwFileVersionLS);
}
#endif

} // namespace
} // namespace quillon::test
