#include "program_identity.h"

#include "about.h"
#include "platform/wide_text.h"

#include <utility>

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

namespace quillon {

namespace {

constexpr UINT_PTR AboutSubclassId = 1;
constexpr int IconResource = 1; // the first icon, the one Explorer shows

using TShowAbout = std::function<void(const std::string&)>;

// Catches the About command ahead of the window's own procedure; owns Show.
LRESULT CALLBACK AboutProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                           UINT_PTR Id, DWORD_PTR Data) {
    auto* Show = reinterpret_cast<TShowAbout*>(Data);
    if (Message == WM_SYSCOMMAND && (WParam & 0xFFF0) == AboutCommand) {
        (*Show)(AboutText());
        return 0;
    }
    if (Message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(Window, AboutProc, Id);
        delete Show;
    }
    return ::DefSubclassProc(Window, Message, WParam, LParam);
}

HICON ProgramIcon(int MetricX, int MetricY) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                           MAKEINTRESOURCEW(IconResource), IMAGE_ICON,
                                           ::GetSystemMetrics(MetricX),
                                           ::GetSystemMetrics(MetricY), LR_SHARED));
}

} // namespace

void SetProgramIcon(THwnd Window) {
    // Shared icons belong to the system: nothing to free.
    if (HICON Big = ProgramIcon(SM_CXICON, SM_CYICON))
        ::SendMessageW(Window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Big));
    if (HICON Small = ProgramIcon(SM_CXSMICON, SM_CYSMICON))
        ::SendMessageW(Window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Small));
}

void AddAboutEntry(THwnd Window, std::function<void(const std::string& Text)> Show) {
    if (!Show) {
        Show = [Window](const std::string& Text) {
            ::MessageBoxW(Window, WideText(Text).c_str(), L"About Quillon",
                          MB_OK | MB_ICONINFORMATION);
        };
    }
    HMENU Menu = ::GetSystemMenu(Window, FALSE);
    ::AppendMenuW(Menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(Menu, MF_STRING, AboutCommand, L"&About Quillon...");
    auto* Owned = new TShowAbout(std::move(Show));
    if (!::SetWindowSubclass(Window, AboutProc, AboutSubclassId,
                             reinterpret_cast<DWORD_PTR>(Owned)))
        delete Owned;
}

} // namespace quillon
