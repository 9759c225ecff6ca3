// The Win32 window, driven through its own controls with the real engine,
// and the program itself started as a user would.
#include "fMain.h"
#include "open_picture_dialog.h"
#include "open_picture_dialog_ids.h"
#include "support/test_support.h"
#include "support/tsv.h"
#include "win32_text.h"
#include "window_layout.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Lets the window paint and handle what the clicks posted.
void Pump() {
    MSG Message;
    while (::PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
        if (Message.message == WM_QUIT)
            continue;
        ::TranslateMessage(&Message);
        ::DispatchMessageW(&Message);
    }
}

RECT ChildRect(HWND Child) {
    RECT R;
    ::GetWindowRect(Child, &R);
    ::MapWindowPoints(nullptr, ::GetParent(Child), reinterpret_cast<POINT*>(&R), 2);
    return R;
}

std::string Text(HWND Window) {
    wchar_t Buffer[1024];
    const int N = ::GetWindowTextW(Window, Buffer, 1024);
    return Utf8Text(std::wstring_view(Buffer, static_cast<size_t>(N)));
}

// Runs Step on every tick of a thread timer, also inside modal loops (a
// dialog, a message box), until it returns true.
class TTicker {
  public:
    explicit TTicker(std::function<bool()> Step) {
        Current() = std::move(Step);
        FTimer = ::SetTimer(nullptr, 0, 30, &TTicker::Tick);
    }
    ~TTicker() {
        ::KillTimer(nullptr, FTimer);
        Current() = nullptr;
    }
    TTicker(const TTicker&) = delete;
    TTicker& operator=(const TTicker&) = delete;

  private:
    static std::function<bool()>& Current() {
        static std::function<bool()> Step;
        return Step;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (Current() && Current()())
            Current() = nullptr;
    }
    UINT_PTR FTimer;
};

// The visible dialog box (a message box or the open dialog) of this thread.
HWND ModalDialog() {
    HWND Found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND W, LPARAM Out) -> BOOL {
            wchar_t Class[16] = {};
            ::GetClassNameW(W, Class, 16);
            if (std::wstring_view(Class) == L"#32770" && ::IsWindowVisible(W)) {
                *reinterpret_cast<HWND*>(Out) = W;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&Found));
    return Found;
}

// A ticker step that presses Command (IDOK, IDCANCEL) in the dialog box once it is up.
std::function<bool()> PressInDialog(WPARAM Command) {
    return [Command] {
        const HWND Dialog = ModalDialog();
        if (Dialog != nullptr)
            ::PostMessageW(Dialog, WM_COMMAND, Command, 0);
        return Dialog != nullptr;
    };
}

// A descendant of Parent with the control identifier Id.
HWND DescendantWithId(HWND Parent, int Id) {
    std::pair<int, HWND> Search{Id, nullptr};
    ::EnumChildWindows(
        Parent,
        [](HWND W, LPARAM P) -> BOOL {
            auto* S = reinterpret_cast<std::pair<int, HWND>*>(P);
            if (::GetDlgCtrlID(W) == S->first) {
                S->second = W;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&Search));
    return Search.second;
}

// How many pixels of Window's screen area have a colour that Wanted accepts.
int CountScreenPixels(HWND Window, const std::function<bool(COLORREF)>& Wanted) {
    RECT R;
    ::GetWindowRect(Window, &R);
    const HDC Screen = ::GetDC(nullptr);
    int Count = 0;
    for (LONG Y = R.top; Y < R.bottom; ++Y)
        for (LONG X = R.left; X < R.right; ++X)
            Count += Wanted(::GetPixel(Screen, X, Y));
    ::ReleaseDC(nullptr, Screen);
    return Count;
}

bool Yellowish(COLORREF C) {
    return GetRValue(C) > 200 && GetGValue(C) > 200 && GetBValue(C) < 80;
}

// The extent of Window's text in the font it draws with.
SIZE TextExtent(HWND Window) {
    const std::wstring Caption = WideText(Text(Window));
    const HDC Dc = ::GetDC(Window);
    const HGDIOBJ Old =
        ::SelectObject(Dc, reinterpret_cast<HFONT>(::SendMessageW(Window, WM_GETFONT, 0, 0)));
    SIZE Size{};
    ::GetTextExtentPoint32W(Dc, Caption.c_str(), static_cast<int>(Caption.size()), &Size);
    ::SelectObject(Dc, Old);
    ::ReleaseDC(Window, Dc);
    return Size;
}

// Saves what the screen shows of Window as a 24-bit BMP.
void SaveScreenshot(HWND Window, const std::string& Path) {
    RECT R;
    ::GetWindowRect(Window, &R);
    const int W = R.right - R.left, H = R.bottom - R.top;
    const HDC Screen = ::GetDC(nullptr);
    const HDC Memory = ::CreateCompatibleDC(Screen);
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), W, H, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    const HBITMAP Bitmap = ::CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    const HGDIOBJ Old = ::SelectObject(Memory, Bitmap);
    ::BitBlt(Memory, 0, 0, W, H, Screen, R.left, R.top, SRCCOPY);
    ::GdiFlush();
    const DWORD Size = static_cast<DWORD>(((W * 3 + 3) & ~3) * H);
    BITMAPFILEHEADER File{0x4D42, static_cast<DWORD>(sizeof File + sizeof Info.bmiHeader + Size), 0,
                          0, static_cast<DWORD>(sizeof File + sizeof Info.bmiHeader)};
    std::ofstream Out(fs::path(WideText(Path)), std::ios::binary);
    Out.write(reinterpret_cast<const char*>(&File), sizeof File);
    Out.write(reinterpret_cast<const char*>(&Info.bmiHeader), sizeof Info.bmiHeader);
    Out.write(static_cast<const char*>(Bits), Size);
    ::SelectObject(Memory, Old);
    ::DeleteObject(Bitmap);
    ::DeleteDC(Memory);
    ::ReleaseDC(nullptr, Screen);
}

class Win32Window : public ::testing::Test {
  protected:
    void SetUp() override {
        Form.MessageRunner = [this](const std::string& T, bool Error) {
            Boxes.push_back((Error ? "error: " : "") + T);
        };
        Form.DialogRunner = [this](const std::string& Previous) {
            Opened.push_back(Previous);
            std::optional<std::string> Answer;
            if (!Answers.empty()) {
                Answer = Answers.front();
                Answers.pop_front();
            }
            return Answer;
        };
        Form.Show();
        Pump();
    }

    void Click(HWND Button) {
        ::SendMessageW(Button, BM_CLICK, 0, 0);
        Pump();
    }
    void Type(HWND Field, const std::string& Utf8) {
        ::SetWindowTextW(Field, WideText(Utf8).c_str());
    }
    void Choose(const std::string& Path) {
        Answers.push_back(Path);
        Click(Form.edtFileNameButton);
    }
    SIZE ClientSize() const {
        RECT R;
        ::GetClientRect(Form.Handle(), &R);
        return {R.right, R.bottom};
    }
    // The colour painted in the frame, right of and below the picture.
    COLORREF PaintedFrame() const {
        RECT R;
        ::GetClientRect(Form.Panel1, &R);
        const HDC Dc = ::GetDC(Form.Panel1);
        const COLORREF C = ::GetPixel(Dc, R.right - 3, R.bottom - 3);
        ::ReleaseDC(Form.Panel1, Dc);
        return C;
    }

    TfrmMain Form;
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Opened;
    std::vector<std::string> Boxes;
};

TEST_F(Win32Window, ControlsSitWhereTheDesignPutsThem) {
    EXPECT_EQ(Text(Form.Handle()), "Quillon");
    EXPECT_EQ(ClientSize().cx, 331);
    EXPECT_EQ(ClientSize().cy, 322);
    const LONG_PTR Style = ::GetWindowLongPtrW(Form.Handle(), GWL_STYLE);
    EXPECT_FALSE(Style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const struct {
        HWND Control;
        RECT Rect;
        const char* Caption;
    } Rows[] = {
        {Form.edtFileName, {8, 8, 257, 29}, ""},
        {Form.btnVerify, {160, 36, 235, 61}, "Verify"},
        {Form.edtMarkCode, {64, 36, 153, 57}, ""},
        {Form.JvLabel1, {8, 40, 56, 53}, "Site Code"},
        {Form.Panel1, {0, 104, 329, 321}, ""},
        {Form.Image1, {3, 3, 322, 210}, ""},
        {Form.btnSet, {288, 4, 327, 29}, "Set"},
        {Form.btnClose, {240, 36, 315, 61}, "Close"},
        {Form.JvLabel2, {8, 72, 53, 85}, "Message"},
        {Form.lblMessage, {64, 72, 329, 89}, "Choose a file to verify."},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Caption);
        const RECT R = ChildRect(Row.Control);
        EXPECT_EQ(R.left, Row.Rect.left);
        EXPECT_EQ(R.top, Row.Rect.top);
        EXPECT_EQ(R.right, Row.Rect.right);
        EXPECT_EQ(R.bottom, Row.Rect.bottom);
        EXPECT_EQ(Text(Row.Control), Row.Caption);
    }
    EXPECT_FALSE(::IsWindowVisible(Form.btnSet));

    // The browse button fills the right end inside the field's edge, above it.
    const RECT Field = ChildRect(Form.edtFileName), Button = ChildRect(Form.edtFileNameButton);
    const int Edge = ::GetSystemMetrics(SM_CXEDGE);
    EXPECT_EQ(Button.right, Field.right - Edge);
    EXPECT_EQ(Button.top, Field.top + Edge);
    EXPECT_EQ(Button.bottom, Field.bottom - Edge);
    EXPECT_EQ(::GetParent(Form.edtFileNameButton), Form.Handle());
    bool Above = false;
    for (HWND W = Form.edtFileNameButton; W != nullptr; W = ::GetWindow(W, GW_HWNDNEXT))
        Above = Above || W == Form.edtFileName;
    EXPECT_TRUE(Above) << "the field would paint over its button";

    EXPECT_EQ(Form.Logic().BaseImageWidth(), 319);
    EXPECT_EQ(Form.Logic().ExtraWidth(), 12);
    EXPECT_EQ(Form.Logic().ExtraHeight(), 115);
    EXPECT_EQ(::GetFocus(), Form.edtFileName);

    // Both filter pairs word for word, the labels as the user reads them.
    static const wchar_t Filter[] =
        L"JPEG Image File (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0AVI Movie File(*.avi)\0*.avi\0";
    EXPECT_EQ(OpenDialogFilter(), std::wstring(Filter, std::size(Filter)));
}

TEST_F(Win32Window, TabOrderTakesInSetOnceShown) {
    auto Next = [&](HWND From) { return ::GetNextDlgTabItem(Form.Handle(), From, FALSE); };
    EXPECT_EQ(Next(Form.edtFileName), Form.btnVerify);
    EXPECT_EQ(Next(Form.btnVerify), Form.edtMarkCode);
    EXPECT_EQ(Next(Form.edtMarkCode), Form.btnClose);
    EXPECT_EQ(Next(Form.btnClose), Form.edtFileName);

    // The access code and Alt+Down in the field: Set appears, no dialog opens.
    Type(Form.edtFileName, "__ARM_TOOL__");
    ::SendMessageW(Form.edtFileName, WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
    Pump();
    EXPECT_TRUE(::IsWindowVisible(Form.btnSet));
    EXPECT_EQ(Text(Form.edtFileName), "");
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(Next(Form.edtMarkCode), Form.btnSet);
    EXPECT_EQ(Next(Form.btnSet), Form.btnClose);
}

TEST_F(Win32Window, EnterAndEscapeTriggerNoButton) {
    Type(Form.edtMarkCode, "SITE-42");
    for (const WPARAM Key : {VK_RETURN, VK_ESCAPE}) {
        ::SetFocus(Form.edtMarkCode);
        MSG Message{Form.edtMarkCode, WM_KEYDOWN, Key, 0, 0, {}};
        ::IsDialogMessageW(Form.Handle(), &Message);
        Pump();
    }
    EXPECT_TRUE(Boxes.empty()) << "Verify ran: " << Boxes.front();
    EXPECT_TRUE(::IsWindow(Form.Handle()));
}

TEST_F(Win32Window, PreviewVerifyBlueAndRedThenSignInTheHiddenMode) {
    const fs::path Data = test::TestDataDir() / "jpeg-signed";
    const auto Row = test::ReadTsv(Data / "expected.tsv").front();
    ASSERT_EQ(Row.at("expected"), "1");
    const std::string Signed = (Data / "jpeg" / (Row.at("name") + ".jpg")).string();

    Choose(Signed);
    EXPECT_EQ(Text(Form.edtFileName), Signed);
    EXPECT_EQ(Form.Logic().FilePath(), Signed);
    RECT Picture = ChildRect(Form.Image1);
    const int W = Picture.right - Picture.left, H = Picture.bottom - Picture.top;
    EXPECT_GT(W * H, 0);
    EXPECT_EQ(ClientSize().cx, std::max(W, 319) + 12);
    EXPECT_EQ(ClientSize().cy, H + 115);
    const RECT Frame = ChildRect(Form.Panel1);
    EXPECT_EQ(Frame.right - Frame.left, W + 10);
    EXPECT_EQ(Frame.bottom - Frame.top, H + 10);
    EXPECT_EQ(PaintedFrame(), clWhite);

    Type(Form.edtMarkCode, test::FromHex(Row.at("site_code_hex")));
    Click(Form.btnVerify);
    EXPECT_EQ(Form.PanelColor(), clBlue);
    EXPECT_EQ(PaintedFrame(), clBlue);
    EXPECT_EQ(Text(Form.lblMessage), "Original image file !!");

    Type(Form.edtMarkCode, test::FromHex(Row.at("other_site_code_hex")));
    Click(Form.btnVerify);
    EXPECT_EQ(Form.PanelColor(), clRed);
    EXPECT_EQ(PaintedFrame(), clRed);
    EXPECT_EQ(Text(Form.lblMessage), "Entire image changed or wrong SITE-CODE !!");

    // The hidden mode signs a copy beside the chosen file; it verifies.
    test::TScratchDir Dir;
    const std::string Photo = Dir / "photo.jpg";
    fs::copy_file(test::TestDataDir() / "jpeg" / "jpeg" / "samp_13_rose_q75.jpg", Photo);
    Type(Form.edtFileName, "__ARM_TOOL__");
    Click(Form.edtFileNameButton);
    ASSERT_TRUE(::IsWindowVisible(Form.btnSet));
    Choose(Photo);
    Type(Form.edtMarkCode, "SITE-42");
    Click(Form.btnSet);
    EXPECT_TRUE(Boxes.empty()) << Boxes.front();
    ASSERT_TRUE(fs::exists(Photo + ".mod.jpg"));
    Choose(Photo + ".mod.jpg");
    EXPECT_EQ(PaintedFrame(), clWhite);
    Click(Form.btnVerify);
    EXPECT_EQ(Form.PanelColor(), clBlue);
}

TEST_F(Win32Window, MoviesVerifyAndMessagesMoveTheFocus) {
    Click(Form.btnVerify);
    EXPECT_EQ(Boxes, std::vector<std::string>{"Invalid group code"});
    EXPECT_EQ(::GetFocus(), Form.edtMarkCode);
    Type(Form.edtMarkCode, "SITE-42");
    Click(Form.btnVerify);
    EXPECT_EQ(Boxes.back(), "Invalid file");
    EXPECT_EQ(::GetFocus(), Form.edtFileName);

    Choose((test::TestDataDir() / "jpeg" / "jpeg" / "gray_size_17x13.jpg").string());
    Choose((test::TestDataDir() / "avi" / "signed_mjpeg_pcm.avi").string());
    // A movie is not previewed: a placeholder of the design size names it.
    EXPECT_EQ(Form.Placeholder(), "Movie: signed_mjpeg_pcm.avi");
    const RECT Image = ChildRect(Form.Image1);
    EXPECT_EQ(Image.right - Image.left, 319);
    EXPECT_EQ(Image.bottom - Image.top, 207);
    EXPECT_EQ(ClientSize().cy, 322);
    Click(Form.btnVerify);
    EXPECT_EQ(Form.PanelColor(), clBlue);
    EXPECT_EQ(Text(Form.lblMessage), "Original image file !!");

    // A file that does not decode shows the codec's error and keeps the path.
    const std::string Broken =
        (test::TestDataDir() / "jpeg" / "jpeg" / "err_not_jpeg_text.jpg").string();
    Choose(Broken);
    EXPECT_EQ(Form.Logic().FilePath(), Broken);
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_EQ(Boxes.back().rfind("error: JPEG error #", 0), 0u) << Boxes.back();
    EXPECT_EQ(Form.Placeholder(), "No preview: err_not_jpeg_text.jpg");
    EXPECT_EQ(Text(Form.lblMessage), "Choose a file to verify.");
    EXPECT_EQ(PaintedFrame(), clWhite);
}

TEST_F(Win32Window, BrowseButtonIsDrawnFromTheStart) {
    // What the screen shows, not what the window believes: the glyph's yellow flap.
    EXPECT_TRUE(::IsWindowVisible(Form.edtFileNameButton));
    EXPECT_GE(CountScreenPixels(Form.edtFileNameButton, Yellowish), 10);
    // Typing into the field does not paint over it.
    ::SetFocus(Form.edtFileName);
    for (const wchar_t C : std::wstring(60, L'x'))
        ::SendMessageW(Form.edtFileName, WM_CHAR, C, 1);
    Pump();
    EXPECT_GE(CountScreenPixels(Form.edtFileNameButton, Yellowish), 10);
}

TEST_F(Win32Window, NoCaptionIsClipped) {
    const HWND Captioned[] = {Form.btnVerify, Form.JvLabel1, Form.btnSet,
                              Form.btnClose,  Form.JvLabel2, Form.lblMessage};
    for (const char* Verdict : {"Choose a file to verify.", "Original image file !!",
                                "Entire image changed or wrong SITE-CODE !!"}) {
        ::SetWindowTextW(Form.lblMessage, WideText(Verdict).c_str());
        for (const HWND C : Captioned) {
            SCOPED_TRACE(Text(C));
            RECT Room;
            ::GetClientRect(C, &Room);
            const SIZE Extent = TextExtent(C);
            EXPECT_LE(Extent.cx, Room.right);
            EXPECT_LE(Extent.cy, Room.bottom);
        }
    }
}

TEST_F(Win32Window, FocusComesBackAfterEveryDialog) {
    // The real open dialog, cancelled: the focus is where it was.
    Form.DialogRunner = [this](const std::string& Previous) {
        return RunOpenPictureDialog(Form.Handle(), Previous);
    };
    ::SetFocus(Form.edtMarkCode);
    {
        TTicker Cancel(PressInDialog(IDCANCEL));
        Form.edtFileNameButtonClick();
    }
    Pump();
    EXPECT_EQ(::GetFocus(), Form.edtMarkCode);

    // A real message box (the signing failure), closed: the focus is on Set,
    // which the click gave it to.
    Form.MessageRunner = [](const std::string& T, bool) {
        ::MessageBoxW(nullptr, WideText(T).c_str(), L"Quillon", MB_OK | MB_TASKMODAL);
    };
    Type(Form.edtFileName, "__ARM_TOOL__");
    Click(Form.edtFileNameButton);
    ::SetFocus(Form.edtMarkCode);
    {
        TTicker Close(PressInDialog(IDOK));
        Click(Form.btnSet);
    }
    Pump();
    EXPECT_EQ(::GetFocus(), Form.btnSet);
    ::SetFocus(Form.edtMarkCode);

    // Another window active for a while, then this one again.
    const HWND Other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                         50, nullptr, nullptr, nullptr, nullptr);
    ::SetActiveWindow(Other);
    Pump();
    EXPECT_NE(::GetFocus(), Form.edtMarkCode);
    ::SetActiveWindow(Form.Handle());
    Pump();
    EXPECT_EQ(::GetFocus(), Form.edtMarkCode);
    ::DestroyWindow(Other);
}

TEST_F(Win32Window, TheOpenDialogPreviewsTheChosenPhoto) {
    const std::string Photo =
        (test::TestDataDir() / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg")
            .string();
    int Drawn = -1;
    bool PaneVisible = false;
    int Ticks = 0;
    std::optional<std::string> Chosen;
    {
        TTicker Inspect([&] {
            const HWND Dialog = ModalDialog();
            const HWND Pane = Dialog ? DescendantWithId(Dialog, QUILLON_IDC_PREVIEW) : nullptr;
            // A few ticks for the dialog to come up whole.
            if (Pane == nullptr || ++Ticks < 20)
                return false;
            PaneVisible = ::IsWindowVisible(Pane);
            ::RedrawWindow(Dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            // Coloured pixels: the photo's, not the grey of a face or an empty screen.
            Drawn = CountScreenPixels(Pane, [](COLORREF C) {
                const int Hi = std::max({GetRValue(C), GetGValue(C), GetBValue(C)});
                const int Lo = std::min({GetRValue(C), GetGValue(C), GetBValue(C)});
                return Hi - Lo > 40;
            });
            if (const char* Shot = std::getenv("QUILLON_DIALOG_SCREENSHOT"))
                SaveScreenshot(Dialog, Shot);
            ::PostMessageW(Dialog, WM_COMMAND, IDOK, 0);
            return true;
        });
        Chosen = RunOpenPictureDialog(Form.Handle(), Photo);
    }
    EXPECT_TRUE(PaneVisible);
    EXPECT_GT(Drawn, 32 * 24) << "the opened file is drawn in the pane";
    ASSERT_TRUE(Chosen.has_value());
    EXPECT_EQ(fs::path(WideText(*Chosen)).filename(), "signed_q090_420_plasma128x96.jpg");
}

TEST(Win32PreviewPane, DrawsJpegsScaledToFitAndNothingElse) {
    const fs::path Data = test::TestDataDir();
    TPreviewPane Pane;
    Pane.Show((Data / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg").string(), 64,
              64);
    EXPECT_NE(Pane.Bitmap(), nullptr);
    EXPECT_EQ(Pane.PictureWidth(), 64);
    EXPECT_EQ(Pane.PictureHeight(), 48);
    Pane.Show((Data / "jpeg" / "jpeg" / "gray_size_17x13.jpg").string(), 64, 64);
    EXPECT_EQ(Pane.PictureWidth(), 17) << "a small picture is not enlarged";
    for (const fs::path& None :
         {Data / "avi" / "signed_mjpeg_pcm.avi", Data / "jpeg" / "jpeg" / "err_not_jpeg_text.jpg",
          Data / "no such file.jpg"}) {
        Pane.Show(None.string(), 64, 64);
        EXPECT_EQ(Pane.Bitmap(), nullptr) << None;
    }
}

TEST_F(Win32Window, LargePicturesFitTheWorkArea) {
    RECT Work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    // From near the corner, so the window has to come back onto the screen.
    ::SetWindowPos(Form.Handle(), nullptr, Work.right - 100, Work.bottom - 100, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    Choose(
        (test::TestDataDir() / "jpeg-signed" / "jpeg" / "signed_medium_photo1600x1200_420_q85.jpg")
            .string());
    RECT Window;
    ::GetWindowRect(Form.Handle(), &Window);
    EXPECT_GE(Window.left, Work.left);
    EXPECT_GE(Window.top, Work.top);
    EXPECT_LE(Window.right, Work.right);
    EXPECT_LE(Window.bottom, Work.bottom);
    const RECT Image = ChildRect(Form.Image1);
    const LONG W = Image.right - Image.left, H = Image.bottom - Image.top;
    EXPECT_LT(W, 1600);
    EXPECT_LE(std::abs(W * 1200 - H * 1600), 1600) << W << "x" << H;
    EXPECT_EQ(ClientSize().cx, std::max<LONG>(W, 319) + 12);
    EXPECT_EQ(ClientSize().cy, H + 115);
    const std::string Title = Text(Form.Handle());
    EXPECT_EQ(Title, "Quillon - " + std::to_string((W * 100 + 800) / 1600) + " %");

    Choose((test::TestDataDir() / "jpeg" / "jpeg" / "gray_size_17x13.jpg").string());
    EXPECT_EQ(Text(Form.Handle()), "Quillon");
}

TEST_F(Win32Window, LongPathShowsItsFileNameAndAllOfItInTheTip) {
    const std::string Long =
        "C:\\" + std::string(60, 'd') + "\\" + std::string(60, 'e') + "\\clip-at-the-end.avi";
    Choose(Long);
    EXPECT_EQ(Text(Form.edtFileName), Long);
    // The first character shown lies far into the path; the last one inside the field.
    const auto First = ::SendMessageW(Form.edtFileName, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(First, 60);
    const LRESULT Last =
        ::SendMessageW(Form.edtFileName, EM_POSFROMCHAR, static_cast<WPARAM>(Long.size() - 1), 0);
    RECT Field;
    ::GetClientRect(Form.edtFileName, &Field);
    EXPECT_LT(static_cast<short>(LOWORD(Last)), Field.right);

    wchar_t Tip[512] = {};
    TOOLINFOW Tool{};
    Tool.cbSize = TTTOOLINFOW_V2_SIZE;
    Tool.hwnd = Form.Handle();
    Tool.uId = reinterpret_cast<UINT_PTR>(Form.edtFileName);
    Tool.lpszText = Tip;
    ::SendMessageW(Form.FileNameTip, TTM_GETTEXTW, std::size(Tip), reinterpret_cast<LPARAM>(&Tool));
    EXPECT_EQ(Utf8Text(Tip), Long);
}

TEST_F(Win32Window, ADroppedFileIsChosen) {
    const std::wstring Photo =
        (test::TestDataDir() / "jpeg" / "jpeg" / "gray_size_17x13.jpg").wstring();
    const size_t Bytes = sizeof(DROPFILES) + (Photo.size() + 2) * sizeof(wchar_t);
    const HGLOBAL Drop = ::GlobalAlloc(GHND, Bytes);
    auto* Files = static_cast<DROPFILES*>(::GlobalLock(Drop));
    Files->pFiles = sizeof(DROPFILES);
    Files->fWide = TRUE;
    Photo.copy(reinterpret_cast<wchar_t*>(Files + 1), Photo.size());
    ::GlobalUnlock(Drop);
    // The window takes the handle and frees it.
    ::SendMessageW(Form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
    EXPECT_TRUE(fs::equivalent(fs::path(WideText(Form.Logic().FilePath())), fs::path(Photo)));
    EXPECT_EQ(ClientSize().cy, 13 + 115);
    EXPECT_TRUE(Opened.empty());
    EXPECT_TRUE(::GetWindowLongPtrW(Form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(Win32Window, AnotherResolutionScalesTheLayout) {
    Choose((test::TestDataDir() / "jpeg" / "jpeg" / "gray_size_17x13.jpg").string());
    RECT Suggested;
    ::GetWindowRect(Form.Handle(), &Suggested);
    ::SendMessageW(Form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&Suggested));
    EXPECT_EQ(Form.Dpi(), 144);
    const struct {
        HWND Control;
        TControl Id;
    } Rows[] = {{Form.edtFileName, TControl::EdtFileName},
                {Form.btnVerify, TControl::BtnVerify},
                {Form.JvLabel2, TControl::JvLabel2},
                {Form.lblMessage, TControl::LblMessage},
                {Form.Panel1, TControl::Panel1}};
    for (const auto& Row : Rows) {
        const RECT R = ChildRect(Row.Control);
        const TDesignRect Want = ScaledRect(DesignOf(Row.Id).Rect, 144);
        EXPECT_EQ(R.left, Want.Left) << DesignOf(Row.Id).Name;
        EXPECT_EQ(R.top, Want.Top) << DesignOf(Row.Id).Name;
        if (Row.Id != TControl::Panel1) {
            EXPECT_EQ(R.right - R.left, Want.Width) << DesignOf(Row.Id).Name;
        }
    }
    // The picture follows the scale; the client area is the design's, scaled.
    const RECT Image = ChildRect(Form.Image1);
    // 17 pixels at the measured scale, 478 / 319.
    EXPECT_EQ(Image.right - Image.left, 25);
    EXPECT_EQ(ClientSize().cx, ScaledLength(DesignClientWidth, 144));
    EXPECT_EQ(Form.Logic().BaseImageWidth(), 478);
    // The captions still fit.
    const SIZE Extent = TextExtent(Form.lblMessage);
    RECT Room;
    ::GetClientRect(Form.lblMessage, &Room);
    EXPECT_LE(Extent.cx, Room.right);
}

TEST_F(Win32Window, ScreenshotForTheDocs) {
    // With QUILLON_SCREENSHOT naming a BMP: the window after a red verdict on
    // a photo in a plainly named folder.
    const char* Shot = std::getenv("QUILLON_SCREENSHOT");
    if (Shot == nullptr)
        GTEST_SKIP() << "QUILLON_SCREENSHOT not set";
    const fs::path Folder = "C:\\Photos";
    fs::create_directories(Folder);
    const fs::path Photo = Folder / "plasma.jpg";
    fs::copy_file(test::TestDataDir() / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg",
                  Photo, fs::copy_options::overwrite_existing);
    Choose(Photo.string());
    Type(Form.edtMarkCode, "SITE-41");
    Click(Form.btnVerify);
    EXPECT_EQ(Form.PanelColor(), clRed);
    ::SetFocus(Form.edtMarkCode);
    Pump();
    SaveScreenshot(Form.Handle(), Shot);
    fs::remove(Photo);
}

std::wstring ProgramPath() {
    std::wstring Path = WideText(QUILLON_APP_PATH);
    if (!Path.empty() && Path[0] == L'/')
        Path = L"Z:" + Path; // built on a POSIX host, run under wine
    return Path;
}

// The program as a user starts it, with Argument on its command line when
// one is given; ends it by Close and checks it exits with code 0.
void RunProgram(const std::wstring& Argument, const std::function<void(HWND)>& Check) {
    std::wstring Line = L"\"" + ProgramPath() + L"\"";
    if (!Argument.empty())
        Line += L" \"" + Argument + L"\"";
    STARTUPINFOW Si{};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &Si, &Pi));
    ::WaitForInputIdle(Pi.hProcess, 10000);
    HWND Window = nullptr;
    for (int Try = 0; Try < 100 && Window == nullptr; ++Try) {
        Window = ::FindWindowW(L"QuillonMain", nullptr);
        if (Window == nullptr)
            ::Sleep(100);
    }
    ASSERT_NE(Window, nullptr) << "no window";
    EXPECT_TRUE(::IsWindowVisible(Window));
    Check(Window);
    const HWND Close = ::FindWindowExW(Window, nullptr, L"Button", L"Close");
    ASSERT_NE(Close, nullptr);
    ::PostMessageW(Close, BM_CLICK, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(Pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD Code = 1;
    ::GetExitCodeProcess(Pi.hProcess, &Code);
    EXPECT_EQ(Code, 0u);
    ::CloseHandle(Pi.hThread);
    ::CloseHandle(Pi.hProcess);
}

TEST(Win32Program, OpensAndClosesWithExitCodeZero) {
    RunProgram(L"", [](HWND Window) {
        EXPECT_EQ(Text(Window), "Quillon");
        RECT Client;
        ::GetClientRect(Window, &Client);
        EXPECT_EQ(Client.right, 331);
        EXPECT_EQ(Client.bottom, 322);
    });
}

TEST(Win32Program, ChoosesTheFileNamedOnItsCommandLine) {
    const fs::path Photo =
        test::TestDataDir() / "jpeg-signed" / "jpeg" / "signed_q090_420_plasma128x96.jpg";
    RunProgram(fs::absolute(Photo).wstring(), [&](HWND Window) {
        const HWND Field = ::FindWindowExW(Window, nullptr, L"Edit", nullptr);
        ASSERT_NE(Field, nullptr);
        // Another process's field answers only when asked by message.
        wchar_t Shown[1024] = {};
        ::SendMessageW(Field, WM_GETTEXT, std::size(Shown), reinterpret_cast<LPARAM>(Shown));
        EXPECT_EQ(fs::path(Shown), fs::absolute(Photo));
        RECT Client;
        ::GetClientRect(Window, &Client);
        EXPECT_EQ(Client.bottom, 96 + 115) << "the photo is previewed";
    });
}

TEST(Win32Program, DeclaresPerMonitorResolutionAwareness) {
    const HMODULE Program =
        ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Program, nullptr);
    const HRSRC Found = ::FindResourceW(Program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(Found, nullptr) << "no manifest";
    const auto* Bytes = static_cast<const char*>(::LockResource(::LoadResource(Program, Found)));
    const std::string Manifest(Bytes, ::SizeofResource(Program, Found));
    EXPECT_NE(Manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(Manifest.find("true/pm"), std::string::npos);
    ::FreeLibrary(Program);
}

} // namespace
} // namespace quillon
