// The main window on Windows: native Win32 controls over the same logic,
// view interface and layout table as the Qt window. No Qt here; the program
// stands alone. Aware of each monitor's resolution: the design's pixels are
// scaled to the screen's, and laid out anew when the window moves to a
// screen of another resolution.
#pragma once

#include "main_view.h"
#include "main_window_logic.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

// Handles without <windows.h>, whose macros would rename our functions.
struct HWND__;
struct HBITMAP__;
struct HFONT__;

namespace quillon {

using THwnd = HWND__*;

class TfrmMain final : private IMainView {
  public:
    explicit TfrmMain(TEngineEntries Entries = RealEngineEntries());
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Centred on the screen's work area, focus in the file-name field.
    void Show();
    THwnd Handle() const { return FHandle; }
    // Pixels per inch the window is laid out for.
    int Dpi() const { return FDpi; }

    // Controls, in the order the window declares them; the browse button is
    // laid over the right end of the file-name field.
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
    // The tooltip that shows the file-name field's whole path.
    THwnd FileNameTip = nullptr;

    // Replaceable so a test can script the choice and read the messages.
    std::function<std::optional<std::string>(const std::string& Previous)> DialogRunner;
    std::function<void(const std::string& Text, bool Error)> MessageRunner;

    const TMainWindowLogic& Logic() const { return FLogic; }
    // The frame colour last set, 0x00BBGGRR.
    TColor PanelColor() const { return FPanelColor; }
    // What Image1 shows instead of a picture ("" while it shows one or none).
    const std::string& Placeholder() const { return FPlaceholder; }

    void edtFileNameButtonClick();
    void btnVerifyClick();
    void btnSetClick();
    void btnCloseClick();
    // Chooses Path (UTF-8) as the dialog would: dropped or named at start.
    void ChooseFile(const std::string& Path);
    // Lays the window out for Dpi pixels per inch, keeping what it shows.
    void ApplyDpi(int Dpi);

    // The window procedure's share of the work.
    intptr_t HandleMessage(unsigned Message, uintptr_t WParam, intptr_t LParam);
    // Paints Panel1 and Image1, which are drawn by the window itself.
    void PaintPanel(THwnd Window);
    void PaintImage(THwnd Window);

  private:
    void CreateControls();
    // Every control at its design rectangle scaled to FDpi, with its font.
    void LayOutControls();
    void FormCreate();
    // The window's face at a character height in pixels, made once.
    HFONT__* FontOfHeight(int Height);
    void ReleaseFonts();
    void DrawBrowseButton(const void* DrawItem);
    void DropFiles(void* Drop);
    void OuterSize(int ClientWidth, int ClientHeight, int& Width, int& Height) const;
    // Runs a modal step and gives the focus back to the control that had it.
    template <typename TStep> auto KeepingFocus(TStep Step);

    // IMainView
    std::string FileNameText() const override;
    void SetFileNameText(const std::string& Text) override;
    std::string MarkCodeText() const override;
    void ShowSetButton() override;
    std::optional<std::string> RunOpenDialog(const std::string& Previous) override;
    void SetPicture(const TRenderedImage& Picture) override;
    void SetPlaceholder(const std::string& Caption, int Width, int Height) override;
    int ImageWidth() const override;
    int ImageHeight() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int Width, int Height) override;
    TPixelSize ClientRoom() const override;
    void ShowScale(int Percent) override;
    int PanelWidth() const override;
    int PanelHeight() const override;
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
    int FDpi = 96;
    std::wstring FFace;
    std::map<int, HFONT__*> FFonts;
    HBITMAP__* FPicture = nullptr;
    std::string FPlaceholder;
    // The control that had the focus when the window was last deactivated.
    THwnd FLastFocus = nullptr;
    TMainWindowLogic FLogic;
    TColor FPanelColor = clWhite;
    bool FWaitCursor = false;
};

// Runs the window system's message loop until the main window is gone.
int RunMessageLoop(const TfrmMain& Window);

} // namespace quillon
