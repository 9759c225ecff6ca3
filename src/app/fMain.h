// The main window: choose a file, type the site code, Verify, read the verdict.
#pragma once

#include "main_view.h"
#include "main_window_logic.h"

#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QScrollArea;
class QLineEdit;
class QPushButton;

namespace quillon {

class TComboEdit;
class TOpenPictureDialog;

class TfrmMain : public QWidget, private IMainView {
    Q_OBJECT
  public:
    explicit TfrmMain(TEngineEntries Entries = RealEngineEntries(), QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // Controls, in the order the window declares them.
    TComboEdit* edtFileName;
    TOpenPictureDialog* OpenPictureDialog1;
    QPushButton* btnVerify;
    QLineEdit* edtMarkCode;
    QLabel* JvLabel1;
    QFrame* Panel1;
    QLabel* Image1;
    QPushButton* btnSet;
    QPushButton* btnClose;
    QLabel* JvLabel2;
    QLabel* lblMessage;

    // Runs the open-file dialog; replaceable so a test can script the choice.
    std::function<std::optional<QString>(TOpenPictureDialog&)> DialogRunner;

    const TMainWindowLogic& Logic() const { return FLogic; }
    // The frame colour last set, 0x00BBGGRR.
    TColor PanelColor() const { return FPanelColor; }

  public slots:
    void edtFileNameButtonClick();
    void btnVerifyClick();
    void btnSetClick();
    void btnCloseClick();

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    void FormCreate();
    // The window takes the client area's size, but no more than the screen
    // has room for; beyond that the client area scrolls.
    void FitToScreen();

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

    // The controls lie on FClient, whose size is the one the logic computes;
    // FScroll shows it whole, or scrolls it where the screen is too small.
    QScrollArea* FScroll;
    QWidget* FClient;
    TMainWindowLogic FLogic;
    TColor FPanelColor = clWhite;
    bool FPlaced = false;
    bool FWaitCursor = false;
};

// 0x00BBGGRR to a Qt colour.
QColor ToQColor(TColor Color);

} // namespace quillon
