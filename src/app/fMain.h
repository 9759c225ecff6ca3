// The main window: choose a file, type the site code, Verify, read the verdict.
#pragma once

#include "main_view.h"
#include "main_window_logic.h"

#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QLabel;
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

    // Chooses Path as the dialog would (a file dropped or named at start).
    void ChooseFile(const QString& Path);

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
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

  private:
    void CreateControls();
    void FormCreate();
    // Each caption in the design font, or the largest size of it that fits.
    void FitCaptionFonts();
    // Moves the window just far enough to lie whole on its screen's work area.
    void KeepOnScreen();

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

    TMainWindowLogic FLogic;
    TColor FPanelColor = clWhite;
    bool FPlaced = false;
    bool FWaitCursor = false;
};

// 0x00BBGGRR to a Qt colour.
QColor ToQColor(TColor Color);

} // namespace quillon
