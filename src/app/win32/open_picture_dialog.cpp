#include "open_picture_dialog.h"

#include "dialog_filter.h"
#include "win32_text.h"

#include <vector>

#include <windows.h>

#include <commdlg.h> // needs windows.h first

namespace quillon {

std::wstring OpenDialogFilter() {
    std::wstring Filter;
    for (const TFilterPair& Pair : ParseDialogFilter(PictureDialogFilter)) {
        Filter += WideText(Pair.Label);
        Filter.push_back(L'\0');
        for (size_t I = 0; I < Pair.Patterns.size(); ++I) {
            if (I > 0)
                Filter.push_back(L';');
            Filter += WideText(Pair.Patterns[I]);
        }
        Filter.push_back(L'\0');
    }
    Filter.push_back(L'\0');
    return Filter;
}

std::optional<std::string> RunOpenPictureDialog(HWND Owner, const std::string& Previous) {
    const std::wstring Filter = OpenDialogFilter();
    // Room for the longest path the system takes.
    std::vector<wchar_t> File(32768, L'\0');
    const std::wstring Start = WideText(Previous);
    if (Start.size() < File.size())
        Start.copy(File.data(), Start.size());

    OPENFILENAMEW Ofn{};
    Ofn.lStructSize = sizeof Ofn;
    Ofn.hwndOwner = Owner;
    Ofn.lpstrFilter = Filter.c_str();
    Ofn.nFilterIndex = 1;
    Ofn.lpstrFile = File.data();
    Ofn.nMaxFile = static_cast<DWORD>(File.size());
    // The typed name is not validated, so the file need not exist; the
    // dialog can be resized; its read-only box stays.
    Ofn.Flags = OFN_NOVALIDATE | OFN_ENABLESIZING | OFN_EXPLORER;
    if (!::GetOpenFileNameW(&Ofn))
        return std::nullopt;
    return Utf8Text(File.data());
}

} // namespace quillon
