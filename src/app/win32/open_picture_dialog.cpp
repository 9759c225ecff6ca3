#include "open_picture_dialog.h"

#include "dialog_filter.h"
#include "open_picture_dialog_ids.h"
#include "picture_fit.h"
#include "win32_bitmap.h"
#include "win32_text.h"

#include <algorithm>
#include <exception>
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

TPreviewPane::~TPreviewPane() {
    Clear();
}

void TPreviewPane::Clear() {
    if (FBitmap != nullptr)
        ::DeleteObject(FBitmap);
    FBitmap = nullptr;
    FWidth = FHeight = 0;
}

void TPreviewPane::Show(const std::string& Path, int Width, int Height) {
    Clear();
    if (!IsPreviewedPicture(Path) || Width <= 0 || Height <= 0)
        return;
    try {
        const TRenderedImage Picture = RenderJpegFile(Path);
        const TPictureFit Fit =
            FitPicture(Picture.Width, Picture.Height, 1.0, {0, 0, 0, Width, Height});
        FBitmap = Fit.Percent == 100 ? MakeBitmap(Picture)
                                     : MakeBitmap(ResamplePicture(Picture, Fit.Width, Fit.Height));
        FWidth = Fit.Width;
        FHeight = Fit.Height;
    } catch (const std::exception&) {
        // A file that does not decode simply shows no preview.
    }
}

namespace {

RECT PaneRect(HWND ChildDialog) {
    RECT R{};
    ::GetClientRect(::GetDlgItem(ChildDialog, QUILLON_IDC_PREVIEW), &R);
    ::InflateRect(&R, -2, -2);
    return R;
}

void PreviewSelection(HWND ChildDialog, TPreviewPane& Pane) {
    std::vector<wchar_t> Path(32768, L'\0');
    const LRESULT N =
        ::SendMessageW(::GetParent(ChildDialog), CDM_GETFILEPATH, static_cast<WPARAM>(Path.size()),
                       reinterpret_cast<LPARAM>(Path.data()));
    const RECT R = PaneRect(ChildDialog);
    Pane.Show(N > 0 ? Utf8Text(Path.data()) : std::string(), R.right - R.left, R.bottom - R.top);
    ::InvalidateRect(::GetDlgItem(ChildDialog, QUILLON_IDC_PREVIEW), nullptr, TRUE);
}

void DrawPane(const DRAWITEMSTRUCT& Item, const TPreviewPane& Pane) {
    RECT R = Item.rcItem;
    ::FillRect(Item.hDC, &R, ::GetSysColorBrush(COLOR_BTNFACE));
    if (Pane.Bitmap() == nullptr)
        return;
    const HDC Memory = ::CreateCompatibleDC(Item.hDC);
    const HGDIOBJ Old = ::SelectObject(Memory, Pane.Bitmap());
    ::BitBlt(Item.hDC, (R.left + R.right - Pane.PictureWidth()) / 2,
             (R.top + R.bottom - Pane.PictureHeight()) / 2, Pane.PictureWidth(),
             Pane.PictureHeight(), Memory, 0, 0, SRCCOPY);
    ::SelectObject(Memory, Old);
    ::DeleteDC(Memory);
}

// The whole dialog on its screen's work area: it comes up at its owner's
// corner, and the pane makes it wider than the system's own.
void KeepOnWorkArea(HWND Dialog) {
    RECT R;
    ::GetWindowRect(Dialog, &R);
    MONITORINFO Info{};
    Info.cbSize = sizeof Info;
    ::GetMonitorInfoW(::MonitorFromWindow(Dialog, MONITOR_DEFAULTTONEAREST), &Info);
    const RECT& Work = Info.rcWork;
    const LONG X = std::max(Work.left, std::min(R.left, Work.right - (R.right - R.left)));
    const LONG Y = std::max(Work.top, std::min(R.top, Work.bottom - (R.bottom - R.top)));
    if (X != R.left || Y != R.top)
        ::SetWindowPos(Dialog, nullptr, X, Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The procedure of the pane's child dialog: a new selection is drawn anew.
UINT_PTR CALLBACK PreviewHook(HWND ChildDialog, UINT Message, WPARAM, LPARAM LParam) {
    auto* Pane = reinterpret_cast<TPreviewPane*>(::GetWindowLongPtrW(ChildDialog, DWLP_USER));
    switch (Message) {
    case WM_INITDIALOG:
        ::SetWindowLongPtrW(ChildDialog, DWLP_USER,
                            reinterpret_cast<const OPENFILENAMEW*>(LParam)->lCustData);
        return TRUE;
    case WM_NOTIFY: {
        const UINT Code = reinterpret_cast<const NMHDR*>(LParam)->code;
        if (Code == CDN_INITDONE)
            KeepOnWorkArea(::GetParent(ChildDialog));
        if (Pane != nullptr && (Code == CDN_SELCHANGE || Code == CDN_INITDONE))
            PreviewSelection(ChildDialog, *Pane);
        return 0;
    }
    case WM_DRAWITEM:
        if (Pane != nullptr)
            DrawPane(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam), *Pane);
        return TRUE;
    default:
        return 0;
    }
}

} // namespace

std::optional<std::string> RunOpenPictureDialog(HWND Owner, const std::string& Previous) {
    const std::wstring Filter = OpenDialogFilter();
    // Room for the longest path the system takes.
    std::vector<wchar_t> File(32768, L'\0');
    const std::wstring Start = WideText(Previous);
    if (Start.size() < File.size())
        Start.copy(File.data(), Start.size());

    TPreviewPane Pane;
    OPENFILENAMEW Ofn{};
    Ofn.lStructSize = sizeof Ofn;
    Ofn.hwndOwner = Owner;
    Ofn.hInstance = ::GetModuleHandleW(nullptr);
    Ofn.lpstrFilter = Filter.c_str();
    Ofn.nFilterIndex = 1;
    Ofn.lpstrFile = File.data();
    Ofn.nMaxFile = static_cast<DWORD>(File.size());
    // The typed name is not validated, so the file need not exist; the
    // dialog can be resized; its read-only box stays. The preview pane is
    // a child dialog of our own beside the system's controls.
    Ofn.Flags =
        OFN_NOVALIDATE | OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    Ofn.lpTemplateName = MAKEINTRESOURCEW(QUILLON_IDD_PREVIEW_PANE);
    Ofn.lpfnHook = PreviewHook;
    Ofn.lCustData = reinterpret_cast<LPARAM>(&Pane);
    if (!::GetOpenFileNameW(&Ofn))
        return std::nullopt;
    return Utf8Text(File.data());
}

} // namespace quillon
