// The main window on Windows: native Win32 controls over the same logic and
// view interface as the Qt window. No Qt here; the program stands alone.
#pragma once

#include "main_view.h"
#include "main_window_logic.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Handles without <windows.h>, whose macros would rename our functions.
struct HWND__;
struct HBITMAP__;

namespace quillon {

using THwnd = HWND__*;

class TfrmMain final : private IMainView {
  public:
    explicit TfrmMain(TEngineEntries Entries = RealEngineEntries());
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Centred on the screen, focus in the file-name field.
    void Show();
    THwnd Handle() const { return FHandle; }

    // Controls, in the order the window declares them (the browse button
    // lives inside the file-name field).
    THwnd edtFileName = nullptr;
    THwnd edtFileNameButton = nullptr;
    THwnd btnVerify = nullptr;
    THwnd edtMarkCode = nullptr;
    THwnd JvLabel1 = nullptr;
    THwnd Panel1 = nullptr;
    THwnd Image1 = nullptr;
    THwnd btnSet = nullptr;
    THwnd btnClose = nullptr;
    THwnd JvLabel2 = nullptr;
    THwnd lblMessage = nullptr;

    // Replaceable so a test can script the choice and read the messages.
    std::function<std::optional<std::string>(const std::string& Previous)> DialogRunner;
    std::function<void(const std::string& Text, bool Error)> MessageRunner;

    const TMainWindowLogic& Logic() const { return FLogic; }
    // The frame colour last set, 0x00BBGGRR.
    TColor PanelColor() const { return FPanelColor; }

    void edtFileNameButtonClick();
    void btnVerifyClick();
    void btnSetClick();
    void btnCloseClick();

    // The window procedure's share of the work.
    intptr_t HandleMessage(unsigned Message, uintptr_t WParam, intptr_t LParam);
    // Paints Panel1 and Image1, which are drawn by the window itself.
    void PaintPanel(THwnd Window);
    void PaintImage(THwnd Window);

  private:
    void CreateControls();
    void FormCreate();

    // IMainView
    std::string FileNameText() const override;
    void SetFileNameText(const std::string& Text) override;
    std::string MarkCodeText() const override;
    void ShowSetButton() override;
    std::optional<std::string> RunOpenDialog(const std::string& Previous) override;
    void SetPicture(const TRenderedImage& Picture) override;
    int ImageWidth() const override;
    int ImageHeight() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int Width, int Height) override;
    void SetPanelSize(int Width, int Height) override;
    void SetPanelColor(TColor Color) override;
    void SetMessageText(const std::string& Text) override;
    void ShowMessage(const std::string& Text) override;
    void ShowError(const std::string& Text) override;
    void SetCursor(TCursor Cursor) override;
    void FocusFileName() override;
    void FocusMarkCode() override;
    void CloseWindow() override;

    THwnd FHandle = nullptr;
    void* FFont = nullptr;
    HBITMAP__* FPicture = nullptr;
    TMainWindowLogic FLogic;
    TColor FPanelColor = clWhite;
    bool FWaitCursor = false;
};

// Runs the window system's message loop until the main window is gone.
int RunMessageLoop(const TfrmMain& Window);

} // namespace quillon
