// One version everywhere: the program prints the version the build recorded
// and, on Windows, the executable's version resource carries the same text
// and the numbers taken from it (release and commit count).
#include "cli/cli_process.h"
#include "version/version.h"

#include <array>
#include <gtest/gtest.h>
#include <regex>
#include <string>

#ifdef _WIN32
#include <vector>
#include <windows.h>
#endif

namespace quillon::test {
namespace {

TEST(CliVersion, ProgramPrintsTheRecordedVersion) {
    const TCliRun Run = RunCliProcess({"--version"});
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_EQ(Run.Out, "quillon-cli " + std::string(QuillonVersion()) + "\n");
}

// A release, or a release with a local part that Debian's version rules and
// Windows file names both take.
TEST(CliVersion, VersionIsAReleaseWithAnOptionalLocalPart) {
    const std::string Version(QuillonVersion());
    EXPECT_TRUE(std::regex_match(Version, std::regex(R"(\d+\.\d+\.\d+(\+[0-9A-Za-z.]+)?)")))
        << Version;
}

#ifdef _WIN32
// The four numbers the version resource should hold: major, minor, patch and
// the commit count after "+git" (0 for a release).
std::array<unsigned, 4> ExpectedNumbers(const std::string& Version) {
    std::smatch M;
    std::regex_search(Version, M, std::regex(R"(^(\d+)\.(\d+)\.(\d+)(?:\+git(\d+))?)"));
    return {static_cast<unsigned>(std::stoul(M[1])), static_cast<unsigned>(std::stoul(M[2])),
            static_cast<unsigned>(std::stoul(M[3])),
            M[4].matched ? static_cast<unsigned>(std::stoul(M[4])) : 0u};
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
