#include "fMain.h"

#include "open_picture_dialog.h"
#include "win32_text.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include <windows.h>

namespace quillon {

namespace {

constexpr int DesignClientWidth = 331;
constexpr int DesignClientHeight = 322;
constexpr int BrowseButtonWidth = 18;
constexpr DWORD FrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD FrameExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

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

// The file-name field: its browse button sits inside its right end, and
// Alt+Down acts as a click on it.
LRESULT CALLBACK FileNameProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    const auto Previous = reinterpret_cast<WNDPROC>(::GetPropW(Window, EditProcProperty));
    const HWND Form = ::GetAncestor(Window, GA_ROOT);
    switch (Message) {
    case WM_SYSKEYDOWN:
        if (WParam == VK_DOWN) {
            ::SendMessageW(Form, WM_COMMAND, MAKEWPARAM(IdBrowse, BN_CLICKED), 0);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (LOWORD(WParam) == IdBrowse && HIWORD(WParam) == BN_CLICKED) {
            // The button is reached by mouse only; the field keeps the focus.
            ::SetFocus(Window);
            ::SendMessageW(Form, WM_COMMAND, WParam, LParam);
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto* Item = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
        RECT R = Item->rcItem;
        ::DrawFrameControl(Item->hDC, &R, DFC_BUTTON,
                           DFCS_BUTTONPUSH | ((Item->itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
        // The 14 x 12 open-folder glyph, centred.
        const int X = (R.left + R.right - 14) / 2;
        const int Y = (R.top + R.bottom - 12) / 2;
        const POINT Back[] = {{X, Y + 1},      {X + 4, Y + 1},  {X + 5, Y + 2},
                              {X + 10, Y + 2}, {X + 10, Y + 4}, {X, Y + 11}};
        const POINT Front[] = {{X, Y + 11}, {X + 3, Y + 5}, {X + 13, Y + 5}, {X + 10, Y + 11}};
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
        return TRUE;
    }
    case WM_NCDESTROY:
        ::RemovePropW(Window, EditProcProperty);
        ::SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
        break;
    default:
        break;
    }
    return ::CallWindowProcW(Previous, Window, Message, WParam, LParam);
}

void RegisterClasses() {
    static const bool Registered = [] {
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

// The design font, "MS Sans Serif" 12 pixels high; where the system has no
// face of that name (wine), Tahoma keeps the captions inside their widths.
HFONT DesignFont() {
    auto Make = [](const wchar_t* Face) {
        return ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Face);
    };
    const HFONT Font = Make(L"MS Sans Serif");
    const HDC Dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ Old = ::SelectObject(Dc, Font);
    wchar_t Face[LF_FACESIZE] = {};
    ::GetTextFaceW(Dc, LF_FACESIZE, Face);
    ::SelectObject(Dc, Old);
    ::DeleteDC(Dc);
    if (std::wstring_view(Face).find(L"Sans Serif") != std::wstring_view::npos)
        return Font;
    ::DeleteObject(Font);
    return Make(L"Tahoma");
}

RECT OuterRect(int Width, int Height) {
    RECT R{0, 0, Width, Height};
    ::AdjustWindowRectEx(&R, FrameStyle, FALSE, FrameExStyle);
    return R;
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
    FFont = DesignFont();
    const RECT Outer = OuterRect(DesignClientWidth, DesignClientHeight);
    FHandle = ::CreateWindowExW(FrameExStyle, MainClass, L"Quillon", FrameStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, Outer.right - Outer.left, Outer.bottom - Outer.top,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    CreateControls();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (FHandle != nullptr) {
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        ::DestroyWindow(FHandle);
    }
    if (FPicture != nullptr)
        ::DeleteObject(FPicture);
    if (FFont != nullptr)
        ::DeleteObject(FFont);
}

void TfrmMain::CreateControls() {
    const HINSTANCE Instance = ::GetModuleHandleW(nullptr);
    auto Make = [&](DWORD ExStyle, const wchar_t* Class, const wchar_t* Text, DWORD Style, int X,
                    int Y, int W, int H, int Id, HWND Parent) {
        const HWND C =
            ::CreateWindowExW(ExStyle, Class, Text, WS_CHILD | Style, X, Y, W, H, Parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Instance, nullptr);
        ::SendMessageW(C, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
        return C;
    };
    const DWORD Shown = WS_VISIBLE;
    const DWORD Button = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

    // Created in the order the window declares them, which is the tab order.
    edtFileName = Make(WS_EX_CLIENTEDGE, L"EDIT", L"", Shown | WS_TABSTOP | ES_AUTOHSCROLL, 8, 8,
                       249, 21, IdFileName, FHandle);
    RECT Field;
    ::GetClientRect(edtFileName, &Field);
    edtFileNameButton =
        Make(0, L"BUTTON", L"", Shown | BS_OWNERDRAW, Field.right - BrowseButtonWidth, 0,
             BrowseButtonWidth, Field.bottom, IdBrowse, edtFileName);
    ::SendMessageW(edtFileName, EM_SETMARGINS, EC_RIGHTMARGIN,
                   MAKELPARAM(0, BrowseButtonWidth + 1));
    ::SetPropW(edtFileName, EditProcProperty,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                   edtFileName, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileNameProc))));

    btnVerify = Make(0, L"BUTTON", L"Verify", Button, 160, 36, 75, 25, IdVerify, FHandle);
    edtMarkCode = Make(WS_EX_CLIENTEDGE, L"EDIT", L"", Shown | WS_TABSTOP | ES_AUTOHSCROLL, 64, 36,
                       89, 21, IdMarkCode, FHandle);
    ::SendMessageW(edtMarkCode, EM_SETLIMITTEXT, 0, 0); // no limit of its own
    JvLabel1 = Make(0, L"STATIC", L"Site Code", Shown, 8, 40, 48, 13, -1, FHandle);
    Panel1 = Make(0, PanelClass, L"", Shown | WS_CLIPCHILDREN, 0, 104, 329, 217, -1, FHandle);
    Image1 = Make(0, ImageClass, L"", Shown, 3, 3, 319, 207, -1, Panel1);
    btnSet = Make(0, L"BUTTON", L"Set", WS_TABSTOP | BS_PUSHBUTTON, 288, 4, 39, 25, IdSet, FHandle);
    btnClose = Make(0, L"BUTTON", L"Close", Button, 240, 36, 75, 25, IdClose, FHandle);
    JvLabel2 = Make(0, L"STATIC", L"Message", Shown, 8, 72, 45, 13, -1, FHandle);
    lblMessage = Make(0, L"STATIC", WideText(TextChooseFile).c_str(),
                      Shown | SS_SUNKEN | SS_NOPREFIX, 64, 72, 265, 17, IdMessage, FHandle);
}

void TfrmMain::FormCreate() {
    FLogic.FormCreate();
}

void TfrmMain::Show() {
    RECT Window, Work;
    ::GetWindowRect(FHandle, &Window);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    const int W = Window.right - Window.left;
    const int H = Window.bottom - Window.top;
    ::SetWindowPos(FHandle, nullptr, Work.left + (Work.right - Work.left - W) / 2,
                   Work.top + (Work.bottom - Work.top - H) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    if (FPicture == nullptr) {
        // An empty picture shows the frame's colour.
        const HBRUSH Brush = ::CreateSolidBrush(FPanelColor);
        ::FillRect(Dc, &R, Brush);
        ::DeleteObject(Brush);
    } else {
        const HDC Memory = ::CreateCompatibleDC(Dc);
        const HGDIOBJ Old = ::SelectObject(Memory, FPicture);
        ::BitBlt(Dc, 0, 0, R.right, R.bottom, Memory, 0, 0, SRCCOPY);
        ::SelectObject(Memory, Old);
        ::DeleteDC(Memory);
    }
    ::EndPaint(Window, &Ps);
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
    ::SetWindowTextW(edtFileName, WideText(Text).c_str());
}

std::string TfrmMain::MarkCodeText() const {
    return Utf8Text(WindowText(edtMarkCode));
}

void TfrmMain::ShowSetButton() {
    ::ShowWindow(btnSet, SW_SHOW);
}

std::optional<std::string> TfrmMain::RunOpenDialog(const std::string& Previous) {
    return DialogRunner(Previous);
}

void TfrmMain::SetPicture(const TRenderedImage& Picture) {
    if (Picture.Width <= 0 || Picture.Height <= 0 || !Picture.Pixels)
        return;
    // A top-down 24-bit DIB: its pixels are blue, green, red like the rows.
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Picture.Width;
    Info.bmiHeader.biHeight = -Picture.Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 24;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    const HBITMAP Bitmap = ::CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (Bitmap == nullptr)
        throw std::runtime_error("Not enough memory for a picture of " +
                                 std::to_string(Picture.Width) + " x " +
                                 std::to_string(Picture.Height) + " pixels");
    const size_t RowBytes = 3 * static_cast<size_t>(Picture.Width);
    const size_t Stride = (RowBytes + 3) & ~size_t{3};
    for (int Y = 0; Y < Picture.Height; ++Y)
        std::memcpy(static_cast<uint8_t*>(Bits) + Stride * static_cast<size_t>(Y),
                    Picture.Pixels.get() + Picture.Stride * static_cast<size_t>(Y), RowBytes);
    if (FPicture != nullptr)
        ::DeleteObject(FPicture);
    FPicture = Bitmap;
    // Auto-size: the control takes the picture's own size.
    ::SetWindowPos(Image1, nullptr, 0, 0, Picture.Width, Picture.Height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Image1, nullptr, FALSE);
}

int TfrmMain::ImageWidth() const {
    RECT R;
    ::GetClientRect(Image1, &R);
    return R.right;
}

int TfrmMain::ImageHeight() const {
    RECT R;
    ::GetClientRect(Image1, &R);
    return R.bottom;
}

int TfrmMain::ClientWidth() const {
    RECT R;
    ::GetClientRect(FHandle, &R);
    return R.right;
}

int TfrmMain::ClientHeight() const {
    RECT R;
    ::GetClientRect(FHandle, &R);
    return R.bottom;
}

void TfrmMain::SetClientSize(int Width, int Height) {
    // The top-left corner stays where it is.
    const RECT Outer = OuterRect(Width, Height);
    ::SetWindowPos(FHandle, nullptr, 0, 0, Outer.right - Outer.left, Outer.bottom - Outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    MessageRunner(Text, false);
}

void TfrmMain::ShowError(const std::string& Text) {
    MessageRunner(Text, true);
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
