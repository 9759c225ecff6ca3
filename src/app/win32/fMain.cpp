#include "fMain.h"

#include "caption_fit.h"
#include "open_picture_dialog.h"
#include "win32_bitmap.h"
#include "win32_text.h"
#include "window_layout.h"

#include <algorithm>
#include <string>

#include <windows.h>

#include <commctrl.h> // needs windows.h first
#include <shellapi.h>

namespace quillon {

namespace {

constexpr DWORD FrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD FrameExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

// Control identifiers stay clear of IDOK and IDCANCEL, which the dialog
// manager sends for Enter and Escape: those trigger no button here.
enum : int {
    IdFileName = 100,
    IdBrowse,
    IdVerify,
    IdMarkCode,
    IdSet,
    IdClose,
    IdMessage,
};

const wchar_t* const MainClass = L"QuillonMain";
const wchar_t* const PanelClass = L"QuillonPanel";
const wchar_t* const ImageClass = L"QuillonImage";
const wchar_t* const EditProcProperty = L"QuillonEditProc";

TfrmMain* Owner(HWND Window) {
    return reinterpret_cast<TfrmMain*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
}

LRESULT CALLBACK MainProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    if (Message == WM_NCCREATE) {
        auto* Create = reinterpret_cast<CREATESTRUCTW*>(LParam);
        ::SetWindowLongPtrW(Window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(Create->lpCreateParams));
    }
    TfrmMain* Form = Owner(Window);
    if (Form != nullptr && Form->Handle() == Window)
        return Form->HandleMessage(Message, WParam, LParam);
    return ::DefWindowProcW(Window, Message, WParam, LParam);
}

// Panel1 and Image1 know the form through their top-level window.
LRESULT CALLBACK PaintedProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    TfrmMain* Form = Owner(::GetAncestor(Window, GA_ROOT));
    if (Form != nullptr && Message == WM_PAINT) {
        if (Window == Form->Panel1)
            Form->PaintPanel(Window);
        else
            Form->PaintImage(Window);
        return 0;
    }
    if (Message == WM_ERASEBKGND)
        return 1; // painted whole in WM_PAINT
    return ::DefWindowProcW(Window, Message, WParam, LParam);
}

// The file-name field: Alt+Down acts as a click on its browse button.
LRESULT CALLBACK FileNameProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    const auto Previous = reinterpret_cast<WNDPROC>(::GetPropW(Window, EditProcProperty));
    if (Message == WM_SYSKEYDOWN && WParam == VK_DOWN) {
        ::SendMessageW(::GetAncestor(Window, GA_ROOT), WM_COMMAND, MAKEWPARAM(IdBrowse, BN_CLICKED),
                       0);
        return 0;
    }
    if (Message == WM_NCDESTROY) {
        ::RemovePropW(Window, EditProcProperty);
        ::SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
    }
    return ::CallWindowProcW(Previous, Window, Message, WParam, LParam);
}

void RegisterClasses() {
    static const bool Registered = [] {
        INITCOMMONCONTROLSEX Controls{sizeof Controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&Controls);
        const HINSTANCE Instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW Main{};
        Main.cbSize = sizeof Main;
        Main.lpfnWndProc = MainProc;
        Main.hInstance = Instance;
        Main.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
        Main.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        Main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        Main.lpszClassName = MainClass;
        ::RegisterClassExW(&Main);
        WNDCLASSEXW Painted = Main;
        Painted.lpfnWndProc = PaintedProc;
        Painted.hIcon = nullptr;
        Painted.hbrBackground = nullptr;
        Painted.lpszClassName = PanelClass;
        ::RegisterClassExW(&Painted);
        Painted.lpszClassName = ImageClass;
        ::RegisterClassExW(&Painted);
        return true;
    }();
    (void)Registered;
}

std::wstring WindowText(HWND Window) {
    std::wstring Text(static_cast<size_t>(::GetWindowTextLengthW(Window)) + 1, L'\0');
    Text.resize(
        static_cast<size_t>(::GetWindowTextW(Window, Text.data(), static_cast<int>(Text.size()))));
    return Text;
}

HFONT MakeFont(const wchar_t* Face, int Height) {
    return ::CreateFontW(-Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, Face);
}

// The design face where the system has it under that name; Tahoma, its
// nearest kin, where it does not (wine).
std::wstring DesignFace() {
    const std::wstring Design = WideText(DesignFontFace);
    const HFONT Font = MakeFont(Design.c_str(), DesignFontHeight);
    const HDC Dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ Old = ::SelectObject(Dc, Font);
    wchar_t Face[LF_FACESIZE] = {};
    ::GetTextFaceW(Dc, LF_FACESIZE, Face);
    ::SelectObject(Dc, Old);
    ::DeleteDC(Dc);
    ::DeleteObject(Font);
    return std::wstring_view(Face).find(L"Sans Serif") != std::wstring_view::npos ? Design
                                                                                  : L"Tahoma";
}

// The resolution functions of newer systems, looked up so older ones still run.
template <typename TFunction> TFunction* User32Function(const char* Name) {
    return reinterpret_cast<TFunction*>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), Name)));
}

int WindowDpi(HWND Window) {
    static const auto GetDpi = User32Function<UINT WINAPI(HWND)>("GetDpiForWindow");
    if (GetDpi != nullptr && Window != nullptr)
        if (const UINT Dpi = GetDpi(Window); Dpi > 0)
            return static_cast<int>(Dpi);
    const HDC Screen = ::GetDC(nullptr);
    const int Dpi = ::GetDeviceCaps(Screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, Screen);
    return Dpi > 0 ? Dpi : DesignDpi;
}

RECT WorkAreaOf(HWND Window) {
    MONITORINFO Info{};
    Info.cbSize = sizeof Info;
    ::GetMonitorInfoW(::MonitorFromWindow(Window, MONITOR_DEFAULTTONEAREST), &Info);
    return Info.rcWork;
}

// Left, top moved just far enough for a window of Width x Height to lie on Area.
POINT OntoArea(const RECT& Area, LONG Left, LONG Top, LONG Width, LONG Height) {
    return {std::max(Area.left, std::min(Left, Area.right - Width)),
            std::max(Area.top, std::min(Top, Area.bottom - Height))};
}

SIZE ClientSizeOf(HWND Window) {
    RECT R;
    ::GetClientRect(Window, &R);
    return {R.right, R.bottom};
}

} // namespace

TfrmMain::TfrmMain(TEngineEntries Entries) : FLogic(*this, std::move(Entries)) {
    RegisterClasses();
    DialogRunner = [this](const std::string& Previous) {
        return RunOpenPictureDialog(FHandle, Previous);
    };
    MessageRunner = [](const std::string& Text, bool Error) {
        // No owner: centred on the screen; task-modal: the window waits.
        ::MessageBoxW(nullptr, WideText(Text).c_str(), L"Quillon",
                      MB_OK | MB_TASKMODAL | (Error ? MB_ICONERROR : 0));
    };
    FFace = DesignFace();
    FHandle = ::CreateWindowExW(FrameExStyle, MainClass, L"Quillon", FrameStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, DesignClientWidth, DesignClientHeight, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), this);
    FDpi = WindowDpi(FHandle);
    CreateControls();
    LayOutControls();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (FHandle != nullptr) {
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandle);
    }
    if (FPicture != nullptr)
        ::DeleteObject(FPicture);
    ReleaseFonts();
}

void TfrmMain::CreateControls() {
    const HINSTANCE Instance = ::GetModuleHandleW(nullptr);
    auto Make = [&](DWORD ExStyle, const wchar_t* Class, DWORD Style, int Id, HWND Parent,
                    TControl Design) {
        const TControlDesign& D = DesignOf(Design);
        const DWORD Visible = D.VisibleAtStart ? WS_VISIBLE : 0;
        const DWORD TabStop = D.TabStop ? WS_TABSTOP : 0;
        return ::CreateWindowExW(
            ExStyle, Class, WideText(D.Caption).c_str(), WS_CHILD | Visible | TabStop | Style, 0, 0,
            0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Instance, nullptr);
    };
    const DWORD Button = BS_PUSHBUTTON;

    // Created in the order the window declares them, which is the tab order.
    // The field clips the browse button laid over its right end, so neither
    // paints over the other.
    edtFileName = Make(WS_EX_CLIENTEDGE, L"EDIT", ES_AUTOHSCROLL | WS_CLIPSIBLINGS, IdFileName,
                       FHandle, TControl::EdtFileName);
    ::SetPropW(edtFileName, EditProcProperty,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                   edtFileName, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileNameProc))));
    // Reached by mouse or Alt+Down, never by Tab.
    edtFileNameButton = ::CreateWindowExW(
        0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, FHandle,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdBrowse)), Instance, nullptr);
    ::SetWindowPos(edtFileNameButton, HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    btnVerify = Make(0, L"BUTTON", Button, IdVerify, FHandle, TControl::BtnVerify);
    edtMarkCode =
        Make(WS_EX_CLIENTEDGE, L"EDIT", ES_AUTOHSCROLL, IdMarkCode, FHandle, TControl::EdtMarkCode);
    ::SendMessageW(edtMarkCode, EM_SETLIMITTEXT, 0, 0); // no limit of its own
    JvLabel1 = Make(0, L"STATIC", SS_NOPREFIX, -1, FHandle, TControl::JvLabel1);
    Panel1 = Make(0, PanelClass, WS_CLIPCHILDREN, -1, FHandle, TControl::Panel1);
    Image1 = Make(0, ImageClass, 0, -1, Panel1, TControl::Image1);
    btnSet = Make(0, L"BUTTON", Button, IdSet, FHandle, TControl::BtnSet);
    btnClose = Make(0, L"BUTTON", Button, IdClose, FHandle, TControl::BtnClose);
    JvLabel2 = Make(0, L"STATIC", SS_NOPREFIX, -1, FHandle, TControl::JvLabel2);
    lblMessage =
        Make(0, L"STATIC", SS_SUNKEN | SS_NOPREFIX, IdMessage, FHandle, TControl::LblMessage);

    FileNameTip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, Instance, nullptr);
    TOOLINFOW Tool{};
    Tool.cbSize = TTTOOLINFOW_V2_SIZE; // understood by every version of the control
    Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    Tool.hwnd = FHandle;
    Tool.uId = reinterpret_cast<UINT_PTR>(edtFileName);
    Tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(FileNameTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
}

HFONT TfrmMain::FontOfHeight(int Height) {
    HFONT& Font = FFonts[Height];
    if (Font == nullptr)
        Font = MakeFont(FFace.c_str(), Height);
    return Font;
}

void TfrmMain::ReleaseFonts() {
    for (auto& [Height, Font] : FFonts)
        ::DeleteObject(Font);
    FFonts.clear();
}

void TfrmMain::LayOutControls() {
    const HWND Controls[] = {edtFileName, btnVerify, edtMarkCode, JvLabel1, Panel1,
                             Image1,      btnSet,    btnClose,    JvLabel2, lblMessage};
    const TTextMeasure Measure = [this](int Height, std::string_view Text) {
        const HDC Dc = ::GetDC(nullptr);
        const HGDIOBJ Old = ::SelectObject(Dc, FontOfHeight(Height));
        const std::wstring Wide = WideText(Text);
        SIZE Size{};
        ::GetTextExtentPoint32W(Dc, Wide.c_str(), static_cast<int>(Wide.size()), &Size);
        if (Wide.empty()) {
            TEXTMETRICW Metrics{};
            ::GetTextMetricsW(Dc, &Metrics);
            Size.cy = Metrics.tmHeight;
        }
        ::SelectObject(Dc, Old);
        ::ReleaseDC(nullptr, Dc);
        return TTextSize{Size.cx, Size.cy};
    };
    const int Design = ScaledLength(DesignFontHeight, FDpi);
    const int Smallest = ScaledLength(SmallestFontHeight, FDpi);
    for (size_t I = 0; I < std::size(Controls); ++I) {
        const TControlDesign& D = DesignLayout()[I];
        const TDesignRect R = ScaledRect(D.Rect, FDpi);
        ::SetWindowPos(Controls[I], nullptr, R.Left, R.Top, R.Width, R.Height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        int Height = Design;
        if (D.Kind != TCaptionKind::None) {
            const SIZE Client = ClientSizeOf(Controls[I]);
            // A button's caption keeps clear of its edges and focus frame.
            const int Inset = D.Kind == TCaptionKind::Button ? ScaledLength(4, FDpi) : 0;
            Height = FittingFontHeight(Design, Smallest, {Client.cx - 2 * Inset, Client.cy - Inset},
                                       TextsShownBy(D.Id), Measure);
        }
        ::SendMessageW(Controls[I], WM_SETFONT, reinterpret_cast<WPARAM>(FontOfHeight(Height)),
                       TRUE);
    }
    // The browse button inside the field's sunken edge, at its right end.
    const TDesignRect Field = ScaledRect(DesignOf(TControl::EdtFileName).Rect, FDpi);
    const int Edge = ::GetSystemMetrics(SM_CXEDGE);
    const int Width = ScaledLength(BrowseButtonWidth, FDpi);
    ::SetWindowPos(edtFileNameButton, HWND_TOP, Field.Left + Field.Width - Edge - Width,
                   Field.Top + Edge, Width, Field.Height - 2 * Edge, SWP_NOACTIVATE);
    ::SendMessageW(edtFileName, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, Width + 1));

    int OuterW, OuterH;
    OuterSize(ScaledLength(DesignClientWidth, FDpi), ScaledLength(DesignClientHeight, FDpi), OuterW,
              OuterH);
    ::SetWindowPos(FHandle, nullptr, 0, 0, OuterW, OuterH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::OuterSize(int ClientWidth, int ClientHeight, int& Width, int& Height) const {
    static const auto AdjustForDpi =
        User32Function<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT R{0, 0, ClientWidth, ClientHeight};
    if (AdjustForDpi != nullptr)
        AdjustForDpi(&R, FrameStyle, FALSE, FrameExStyle, static_cast<UINT>(FDpi));
    else
        ::AdjustWindowRectEx(&R, FrameStyle, FALSE, FrameExStyle);
    Width = R.right - R.left;
    Height = R.bottom - R.top;
}

void TfrmMain::FormCreate() {
    FLogic.FormCreate();
}

void TfrmMain::ApplyDpi(int Dpi) {
    FDpi = Dpi;
    ReleaseFonts();
    LayOutControls();
    // Measured again at the new size, then the chosen file shown anew.
    FormCreate();
    FLogic.Refit();
    ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TfrmMain::Show() {
    RECT Window;
    ::GetWindowRect(FHandle, &Window);
    const RECT Work = WorkAreaOf(FHandle);
    const LONG W = Window.right - Window.left;
    const LONG H = Window.bottom - Window.top;
    const POINT At = OntoArea(Work, Work.left + (Work.right - Work.left - W) / 2,
                              Work.top + (Work.bottom - Work.top - H) / 2, W, H);
    ::SetWindowPos(FHandle, nullptr, At.x, At.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(FHandle, SW_SHOW);
    ::UpdateWindow(FHandle);
    ::SetFocus(edtFileName);
}

intptr_t TfrmMain::HandleMessage(unsigned Message, uintptr_t WParam, intptr_t LParam) {
    switch (Message) {
    case WM_COMMAND:
        if (HIWORD(WParam) != BN_CLICKED)
            break;
        switch (LOWORD(WParam)) {
        case IdBrowse:
            // A click on the button puts the focus into its field.
            ::SetFocus(edtFileName);
            edtFileNameButtonClick();
            return 0;
        case IdVerify:
            btnVerifyClick();
            return 0;
        case IdSet:
            btnSetClick();
            return 0;
        case IdClose:
            btnCloseClick();
            return 0;
        default:
            return 0; // Enter and Escape arrive as IDOK and IDCANCEL
        }
    case WM_DRAWITEM:
        if (WParam == IdBrowse) {
            DrawBrowseButton(reinterpret_cast<const void*>(LParam));
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        // The focus leaves with the window and comes back to the same control.
        if (LOWORD(WParam) == WA_INACTIVE) {
            const HWND Focus = ::GetFocus();
            if (Focus != nullptr && ::IsChild(FHandle, Focus))
                FLastFocus = Focus;
            return 0;
        }
        [[fallthrough]];
    case WM_SETFOCUS: {
        const bool Usable = FLastFocus != nullptr && ::IsWindow(FLastFocus) &&
                            ::IsWindowVisible(FLastFocus) && ::IsWindowEnabled(FLastFocus);
        ::SetFocus(Usable ? FLastFocus : edtFileName);
        return 0;
    }
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<void*>(WParam));
        return 0;
    case WM_DPICHANGED: {
        const auto* Suggested = reinterpret_cast<const RECT*>(LParam);
        ::SetWindowPos(FHandle, nullptr, Suggested->left, Suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi(LOWORD(WParam));
        return 0;
    }
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
        // The work area may have changed size.
        if (Message == WM_DISPLAYCHANGE || WParam == SPI_SETWORKAREA)
            FLogic.Refit();
        break;
    case WM_SETCURSOR:
        if (FWaitCursor) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        // Labels and the verdict line on the window's face.
        ::SetBkMode(reinterpret_cast<HDC>(WParam), TRANSPARENT);
        return reinterpret_cast<intptr_t>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
        ::DestroyWindow(FHandle);
        return 0;
    case WM_DESTROY:
        FHandle = nullptr;
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(FHandle, Message, WParam, LParam);
}

void TfrmMain::DrawBrowseButton(const void* DrawItem) {
    const auto* Item = static_cast<const DRAWITEMSTRUCT*>(DrawItem);
    RECT R = Item->rcItem;
    ::DrawFrameControl(Item->hDC, &R, DFC_BUTTON,
                       DFCS_BUTTONPUSH | ((Item->itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
    // The 14 x 12 open-folder glyph at the window's scale, centred.
    auto S = [this](int Length) { return ScaledLength(Length, FDpi); };
    const int X = (R.left + R.right - S(14)) / 2;
    const int Y = (R.top + R.bottom - S(12)) / 2;
    const POINT Back[] = {{X, Y + S(1)},         {X + S(4), Y + S(1)},  {X + S(5), Y + S(2)},
                          {X + S(10), Y + S(2)}, {X + S(10), Y + S(4)}, {X, Y + S(11)}};
    const POINT Front[] = {
        {X, Y + S(11)}, {X + S(3), Y + S(5)}, {X + S(13), Y + S(5)}, {X + S(10), Y + S(11)}};
    const HGDIOBJ OldPen = ::SelectObject(Item->hDC, ::GetStockObject(BLACK_PEN));
    const HBRUSH BackBrush = ::CreateSolidBrush(RGB(128, 128, 0));
    const HBRUSH FrontBrush = ::CreateSolidBrush(RGB(255, 255, 0));
    const HGDIOBJ OldBrush = ::SelectObject(Item->hDC, BackBrush);
    ::Polygon(Item->hDC, Back, 6);
    ::SelectObject(Item->hDC, FrontBrush);
    ::Polygon(Item->hDC, Front, 4);
    ::SelectObject(Item->hDC, OldBrush);
    ::SelectObject(Item->hDC, OldPen);
    ::DeleteObject(BackBrush);
    ::DeleteObject(FrontBrush);
}

void TfrmMain::DropFiles(void* DropHandle) {
    const auto Drop = static_cast<HDROP>(DropHandle);
    std::wstring Path(::DragQueryFileW(Drop, 0, nullptr, 0) + 1, L'\0');
    Path.resize(::DragQueryFileW(Drop, 0, Path.data(), static_cast<UINT>(Path.size())));
    ::DragFinish(Drop);
    if (!Path.empty())
        ChooseFile(Utf8Text(Path));
}

void TfrmMain::ChooseFile(const std::string& Path) {
    const std::wstring Wide = WideText(Path);
    std::wstring Full(32768, L'\0');
    const DWORD N =
        ::GetFullPathNameW(Wide.c_str(), static_cast<DWORD>(Full.size()), Full.data(), nullptr);
    Full.resize(N > 0 && N < Full.size() ? N : 0);
    FLogic.ChooseFile(Full.empty() ? Path : Utf8Text(Full));
}

void TfrmMain::PaintPanel(THwnd Window) {
    PAINTSTRUCT Ps;
    const HDC Dc = ::BeginPaint(Window, &Ps);
    RECT R;
    ::GetClientRect(Window, &R);
    const HBRUSH Brush = ::CreateSolidBrush(FPanelColor); // 0x00BBGGRR is a COLORREF
    ::FillRect(Dc, &R, Brush);
    ::DeleteObject(Brush);
    ::DrawEdge(Dc, &R, BDR_SUNKENOUTER, BF_RECT);
    ::EndPaint(Window, &Ps);
}

void TfrmMain::PaintImage(THwnd Window) {
    PAINTSTRUCT Ps;
    const HDC Dc = ::BeginPaint(Window, &Ps);
    RECT R;
    ::GetClientRect(Window, &R);
    if (FPicture != nullptr) {
        const HDC Memory = ::CreateCompatibleDC(Dc);
        const HGDIOBJ Old = ::SelectObject(Memory, FPicture);
        ::BitBlt(Dc, 0, 0, R.right, R.bottom, Memory, 0, 0, SRCCOPY);
        ::SelectObject(Memory, Old);
        ::DeleteDC(Memory);
    } else if (!FPlaceholder.empty()) {
        // The window's face with the caption: nothing that looks like a picture.
        ::FillRect(Dc, &R, ::GetSysColorBrush(COLOR_BTNFACE));
        const HGDIOBJ Old = ::SelectObject(Dc, FontOfHeight(ScaledLength(DesignFontHeight, FDpi)));
        ::SetBkMode(Dc, TRANSPARENT);
        ::SetTextColor(Dc, ::GetSysColor(COLOR_BTNTEXT));
        const std::wstring Caption = WideText(FPlaceholder);
        ::DrawTextW(Dc, Caption.c_str(), static_cast<int>(Caption.size()), &R,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        ::SelectObject(Dc, Old);
    } else {
        // An empty picture shows the frame's colour.
        const HBRUSH Brush = ::CreateSolidBrush(FPanelColor);
        ::FillRect(Dc, &R, Brush);
        ::DeleteObject(Brush);
    }
    ::EndPaint(Window, &Ps);
}

template <typename TStep> auto TfrmMain::KeepingFocus(TStep Step) {
    struct TRestore {
        HWND Form;
        HWND Had;
        ~TRestore() {
            if (Had != nullptr && ::IsWindow(Had) && ::IsChild(Form, Had) &&
                ::IsWindowVisible(Had) && ::IsWindowEnabled(Form))
                ::SetFocus(Had);
        }
    } Restore{FHandle, ::GetFocus()};
    // Also what activation gives back, should the system have taken the
    // focus away before the window was told it is no longer active.
    if (Restore.Had != nullptr && ::IsChild(FHandle, Restore.Had))
        FLastFocus = Restore.Had;
    return Step();
}

void TfrmMain::edtFileNameButtonClick() {
    FLogic.edtFileNameButtonClick();
}

void TfrmMain::btnVerifyClick() {
    FLogic.btnVerifyClick();
}

void TfrmMain::btnSetClick() {
    FLogic.btnSetClick();
}

void TfrmMain::btnCloseClick() {
    FLogic.btnCloseClick();
}

std::string TfrmMain::FileNameText() const {
    return Utf8Text(WindowText(edtFileName));
}

void TfrmMain::SetFileNameText(const std::string& Text) {
    std::wstring Wide = WideText(Text);
    ::SetWindowTextW(edtFileName, Wide.c_str());
    // The end of a long path is its file's name: that is what shows.
    const auto End = static_cast<WPARAM>(Wide.size());
    ::SendMessageW(edtFileName, EM_SETSEL, End, static_cast<LPARAM>(End));
    ::SendMessageW(edtFileName, EM_SCROLLCARET, 0, 0);
    TOOLINFOW Tool{};
    Tool.cbSize = TTTOOLINFOW_V2_SIZE;
    Tool.hwnd = FHandle;
    Tool.uId = reinterpret_cast<UINT_PTR>(edtFileName);
    Tool.lpszText = Wide.data();
    ::SendMessageW(FileNameTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&Tool));
}

std::string TfrmMain::MarkCodeText() const {
    return Utf8Text(WindowText(edtMarkCode));
}

void TfrmMain::ShowSetButton() {
    ::ShowWindow(btnSet, SW_SHOW);
}

std::optional<std::string> TfrmMain::RunOpenDialog(const std::string& Previous) {
    return KeepingFocus([&] { return DialogRunner(Previous); });
}

void TfrmMain::SetPicture(const TRenderedImage& Picture) {
    if (Picture.Width <= 0 || Picture.Height <= 0 || !Picture.Pixels)
        return;
    const HBITMAP Bitmap = MakeBitmap(Picture);
    if (FPicture != nullptr)
        ::DeleteObject(FPicture);
    FPicture = Bitmap;
    FPlaceholder.clear();
    // Auto-size: the control takes the picture's own size.
    ::SetWindowPos(Image1, nullptr, 0, 0, Picture.Width, Picture.Height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Image1, nullptr, FALSE);
}

void TfrmMain::SetPlaceholder(const std::string& Caption, int Width, int Height) {
    if (FPicture != nullptr)
        ::DeleteObject(FPicture);
    FPicture = nullptr;
    FPlaceholder = Caption;
    ::SetWindowPos(Image1, nullptr, 0, 0, Width, Height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Image1, nullptr, FALSE);
}

int TfrmMain::ImageWidth() const {
    return ClientSizeOf(Image1).cx;
}

int TfrmMain::ImageHeight() const {
    return ClientSizeOf(Image1).cy;
}

int TfrmMain::ClientWidth() const {
    return ClientSizeOf(FHandle).cx;
}

int TfrmMain::ClientHeight() const {
    return ClientSizeOf(FHandle).cy;
}

void TfrmMain::SetClientSize(int Width, int Height) {
    // The top-left corner stays where it is, unless that leaves the window
    // reaching past the work area.
    int OuterW, OuterH;
    OuterSize(Width, Height, OuterW, OuterH);
    RECT Window;
    ::GetWindowRect(FHandle, &Window);
    const POINT At = OntoArea(WorkAreaOf(FHandle), Window.left, Window.top, OuterW, OuterH);
    ::SetWindowPos(FHandle, nullptr, At.x, At.y, OuterW, OuterH, SWP_NOZORDER | SWP_NOACTIVATE);
}

TPixelSize TfrmMain::ClientRoom() const {
    const RECT Work = WorkAreaOf(FHandle);
    int FrameW, FrameH;
    OuterSize(0, 0, FrameW, FrameH);
    return {Work.right - Work.left - FrameW, Work.bottom - Work.top - FrameH};
}

void TfrmMain::ShowScale(int Percent) {
    ::SetWindowTextW(FHandle, WideText(ScaledTitle("Quillon", Percent)).c_str());
}

int TfrmMain::PanelWidth() const {
    return ClientSizeOf(Panel1).cx;
}

int TfrmMain::PanelHeight() const {
    return ClientSizeOf(Panel1).cy;
}

void TfrmMain::SetPanelSize(int Width, int Height) {
    ::SetWindowPos(Panel1, nullptr, 0, 0, Width, Height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Panel1, nullptr, FALSE);
}

void TfrmMain::SetPanelColor(TColor Color) {
    FPanelColor = Color;
    ::RedrawWindow(Panel1, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TfrmMain::SetMessageText(const std::string& Text) {
    ::SetWindowTextW(lblMessage, WideText(Text).c_str());
}

void TfrmMain::ShowMessage(const std::string& Text) {
    KeepingFocus([&] { MessageRunner(Text, false); });
}

void TfrmMain::ShowError(const std::string& Text) {
    KeepingFocus([&] { MessageRunner(Text, true); });
}

void TfrmMain::SetCursor(TCursor Cursor) {
    FWaitCursor = Cursor == crHourGlass;
    ::SetCursor(::LoadCursorW(nullptr, FWaitCursor ? IDC_WAIT : IDC_ARROW));
}

void TfrmMain::FocusFileName() {
    ::SetFocus(edtFileName);
}

void TfrmMain::FocusMarkCode() {
    ::SetFocus(edtMarkCode);
}

void TfrmMain::CloseWindow() {
    ::SendMessageW(FHandle, WM_CLOSE, 0, 0);
}

int RunMessageLoop(const TfrmMain& Window) {
    MSG Message;
    while (::GetMessageW(&Message, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab and the arrow keys move between the controls.
        const HWND Form = Window.Handle();
        if (Form != nullptr && ::IsDialogMessageW(Form, &Message))
            continue;
        ::TranslateMessage(&Message);
        ::DispatchMessageW(&Message);
    }
    return 0;
}

} // namespace quillon
