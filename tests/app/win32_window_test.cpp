// The Win32 window, driven through its own controls with the real engine,
// and the program itself started as a user would.
#include "fMain.h"
#include "open_picture_dialog.h"
#include "support/test_support.h"
#include "support/tsv.h"
#include "win32_text.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include <windows.h>

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

    // The browse button fills the right end inside the field.
    RECT Field, Button = ChildRect(Form.edtFileNameButton);
    ::GetClientRect(Form.edtFileName, &Field);
    EXPECT_EQ(Button.right, Field.right);
    EXPECT_EQ(Button.top, 0);
    EXPECT_EQ(Button.bottom, Field.bottom);

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
    if (const char* Shot = std::getenv("QUILLON_SCREENSHOT"))
        SaveScreenshot(Form.Handle(), Shot);

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

    const RECT Before = ChildRect(Form.Image1);
    Choose((test::TestDataDir() / "avi" / "signed_mjpeg_pcm.avi").string());
    EXPECT_EQ(ChildRect(Form.Image1).right, Before.right) << "a movie is not previewed";
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
}

// The program as a user starts it: its window comes up and Close ends it.
TEST(Win32Program, OpensAndClosesWithExitCodeZero) {
    std::wstring Path = WideText(QUILLON_APP_PATH);
    if (!Path.empty() && Path[0] == L'/')
        Path = L"Z:" + Path; // built on a POSIX host, run under wine
    STARTUPINFOW Si{};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi{};
    ASSERT_TRUE(::CreateProcessW(Path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &Si, &Pi));
    ::WaitForInputIdle(Pi.hProcess, 10000);
    HWND Window = nullptr;
    for (int Try = 0; Try < 100 && Window == nullptr; ++Try) {
        Window = ::FindWindowW(L"QuillonMain", L"Quillon");
        if (Window == nullptr)
            ::Sleep(100);
    }
    ASSERT_NE(Window, nullptr) << "no window";
    EXPECT_TRUE(::IsWindowVisible(Window));
    RECT Client;
    ::GetClientRect(Window, &Client);
    EXPECT_EQ(Client.right, 331);
    EXPECT_EQ(Client.bottom, 322);
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

} // namespace
} // namespace quillon
