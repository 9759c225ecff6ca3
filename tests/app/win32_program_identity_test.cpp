// The Windows window's identity: "About Quillon" in its system menu showing
// the version of this build, and the icon the program carries.
#include "fMain.h"
#include "program_identity.h"
#include "version/version.h"
#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

namespace quillon {
namespace {

std::wstring AppPath() {
    std::wstring Path = WideText(QUILLON_APP_PATH);
    if (!Path.empty() && Path[0] == L'/') // a build on a POSIX host, run under wine
        Path = L"Z:" + Path;
    return Path;
}

TEST(Win32ProgramIdentity, AboutEntryInTheSystemMenuShowsTheVersion) {
    TfrmMain Form;
    std::vector<std::string> Shown;
    AddAboutEntry(Form.Handle(), [&](const std::string& Text) { Shown.push_back(Text); });

    wchar_t Label[64] = {};
    ASSERT_GT(::GetMenuStringW(::GetSystemMenu(Form.Handle(), FALSE), AboutCommand, Label, 64,
                               MF_BYCOMMAND),
              0);
    EXPECT_EQ(Utf8Text(Label), "&About Quillon...");

    ::SendMessageW(Form.Handle(), WM_SYSCOMMAND, AboutCommand, 0);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].rfind("Quillon " + std::string(QuillonVersion()) + "\n", 0), 0u)
        << Shown[0];

    // Every other message still reaches the window.
    ::SetWindowTextW(Form.Handle(), L"renamed");
    wchar_t Title[32] = {};
    ::GetWindowTextW(Form.Handle(), Title, 32);
    EXPECT_EQ(std::wstring(Title), L"renamed");
    EXPECT_EQ(Shown.size(), 1u);
}

// Explorer shows a program's first icon; the window takes it for its title bar.
TEST(Win32ProgramIdentity, ProgramCarriesTheIconInEverySize) {
    const HMODULE Program = ::LoadLibraryExW(AppPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Program, nullptr);
    const HRSRC Group = ::FindResourceW(Program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_NE(Group, nullptr) << "no icon group 1";
    // A group: reserved, type, count, then one 14-byte entry an image.
    const auto* Header = static_cast<const WORD*>(::LockResource(::LoadResource(Program, Group)));
    ASSERT_NE(Header, nullptr);
    EXPECT_EQ(Header[1], 1); // icons
    std::vector<int> Widths;
    const auto* Entries = reinterpret_cast<const BYTE*>(Header + 3);
    for (WORD I = 0; I < Header[2]; ++I)
        Widths.push_back(Entries[14 * I] == 0 ? 256 : Entries[14 * I]);
    EXPECT_EQ(Widths, (std::vector<int>{16, 24, 32, 48, 256}));
    ::FreeLibrary(Program);
}

} // namespace
} // namespace quillon
