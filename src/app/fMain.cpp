#include "fMain.h"

#include "combo_edit.h"
#include "picture_dialog.h"
#include "qt_image.h"

#include <QApplication>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

namespace quillon {

namespace {

constexpr int DesignClientWidth = 331;
constexpr int DesignClientHeight = 322;
constexpr int ImageInset = 3;

QString FromLocal(const std::string& Text) {
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
}

std::string ToLocal(const QString& Text) {
    return Text.toLocal8Bit().toStdString();
}

QPushButton* MakeButton(const char* Name, const QString& Caption, QWidget* Parent) {
    auto* B = new QPushButton(Caption, Parent);
    B->setObjectName(Name);
    // Enter must not press a button.
    B->setAutoDefault(false);
    B->setDefault(false);
    return B;
}

QLabel* MakeLabel(const char* Name, const QString& Caption, QWidget* Parent) {
    auto* L = new QLabel(Caption, Parent);
    L->setObjectName(Name);
    return L;
}

void ShowBox(QMessageBox::Icon Icon, const std::string& Text) {
    // Parentless, so it is centred on the screen, and modal for the whole program.
    QMessageBox Box(Icon, QStringLiteral("Quillon"), FromLocal(Text), QMessageBox::Ok);
    Box.setWindowModality(Qt::ApplicationModal);
    Box.exec();
}

} // namespace

QColor ToQColor(TColor Color) {
    return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                  static_cast<int>((Color >> 16) & 0xFF));
}

TfrmMain::TfrmMain(TEngineEntries Entries, QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FScroll(new QScrollArea(this)), FClient(new QWidget), FLogic(*this, std::move(Entries)) {
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("Quillon"));
    QFont Font;
    Font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                      "DejaVu Sans Condensed"});
    Font.setPixelSize(12);
    // Substitutes for the design font run wider; a condensed face keeps the
    // captions inside the design's widths.
    if (!QFontInfo(Font).family().contains("Sans Serif"))
        Font.setStretch(QFont::Condensed);
    setFont(Font);

    edtFileName = new TComboEdit(FClient);
    edtFileName->setObjectName("edtFileName");
    edtFileName->setGeometry(8, 8, 249, 21);

    OpenPictureDialog1 = new TOpenPictureDialog(this);

    btnVerify = MakeButton("btnVerify", "Verify", FClient);
    btnVerify->setGeometry(160, 36, 75, 25);

    edtMarkCode = new QLineEdit(FClient);
    edtMarkCode->setObjectName("edtMarkCode");
    edtMarkCode->setGeometry(64, 36, 89, 21);
    edtMarkCode->setMaxLength(32767);

    JvLabel1 = MakeLabel("JvLabel1", "Site Code", FClient);
    JvLabel1->setGeometry(8, 40, 48, 13);

    Panel1 = new QFrame(FClient);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 104, 329, 217);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    Panel1->setFocusPolicy(Qt::NoFocus);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(ImageInset, ImageInset, 319, 207);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);

    btnSet = MakeButton("btnSet", "Set", FClient);
    btnSet->setGeometry(288, 4, 39, 25);
    btnSet->setVisible(false);

    btnClose = MakeButton("btnClose", "Close", FClient);
    btnClose->setGeometry(240, 36, 75, 25);

    JvLabel2 = MakeLabel("JvLabel2", "Message", FClient);
    JvLabel2->setGeometry(8, 72, 45, 13);

    lblMessage = MakeLabel("lblMessage", TextChooseFile, FClient);
    lblMessage->setGeometry(64, 72, 265, 17);
    lblMessage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblMessage->setFocusPolicy(Qt::NoFocus);

    setTabOrder(edtFileName, btnVerify);
    setTabOrder(btnVerify, edtMarkCode);
    setTabOrder(edtMarkCode, btnSet);
    setTabOrder(btnSet, btnClose);

    SetPanelColor(clWhite);
    FClient->setObjectName("ClientArea");
    FClient->setFixedSize(DesignClientWidth, DesignClientHeight);
    FScroll->setObjectName("ClientScroll");
    FScroll->setFrameShape(QFrame::NoFrame);
    FScroll->setBackgroundRole(QPalette::Window);
    FScroll->setFocusPolicy(Qt::NoFocus);
    FScroll->setWidget(FClient);
    FitToScreen();

    DialogRunner = [](TOpenPictureDialog& Dialog) -> std::optional<QString> {
        if (Dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return Dialog.ChosenPath();
    };

    connect(edtFileName, &TComboEdit::buttonClick, this, &TfrmMain::edtFileNameButtonClick);
    connect(btnVerify, &QPushButton::clicked, this, &TfrmMain::btnVerifyClick);
    connect(btnSet, &QPushButton::clicked, this, &TfrmMain::btnSetClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);

    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (FWaitCursor)
        QApplication::restoreOverrideCursor();
}

void TfrmMain::FormCreate() {
    FLogic.FormCreate();
}

void TfrmMain::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (FPlaced)
        return;
    FPlaced = true;
    if (const QScreen* S = screen()) {
        QRect Frame = frameGeometry();
        Frame.moveCenter(S->availableGeometry().center());
        move(Frame.topLeft());
    }
    edtFileName->setFocus();
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
    return ToLocal(edtFileName->text());
}

void TfrmMain::SetFileNameText(const std::string& Text) {
    edtFileName->setText(FromLocal(Text));
}

std::string TfrmMain::MarkCodeText() const {
    return ToLocal(edtMarkCode->text());
}

void TfrmMain::ShowSetButton() {
    btnSet->setVisible(true);
}

std::optional<std::string> TfrmMain::RunOpenDialog(const std::string& Previous) {
    OpenPictureDialog1->Prepare(FromLocal(Previous));
    const std::optional<QString> Chosen = DialogRunner(*OpenPictureDialog1);
    if (!Chosen)
        return std::nullopt;
    return ToLocal(*Chosen);
}

void TfrmMain::SetPicture(const TRenderedImage& Picture) {
    const QImage Image = ToQImage(Picture);
    Image1->setPixmap(QPixmap::fromImage(Image));
    // Auto-size: the control takes the picture's own size.
    Image1->resize(Image.size());
}

int TfrmMain::ImageWidth() const {
    return Image1->width();
}

int TfrmMain::ImageHeight() const {
    return Image1->height();
}

int TfrmMain::ClientWidth() const {
    return FClient->width();
}

int TfrmMain::ClientHeight() const {
    return FClient->height();
}

void TfrmMain::SetClientSize(int Width, int Height) {
    // The top-left corner stays where it is.
    FClient->setFixedSize(Width, Height);
    FitToScreen();
}

void TfrmMain::FitToScreen() {
    QSize Size = FClient->size();
    if (const QScreen* S = screen()) {
        const QSize Decoration = frameGeometry().size() - geometry().size();
        const QSize Room = S->availableGeometry().size() - Decoration;
        const int Bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        // A scroll bar for one direction takes room from the other.
        const bool Taller = Size.height() > Room.height();
        const bool Wider = Size.width() + (Taller ? Bar : 0) > Room.width();
        Size = QSize(std::min(Size.width() + (Taller ? Bar : 0), Room.width()),
                     std::min(Size.height() + (Wider ? Bar : 0), Room.height()));
    }
    setFixedSize(Size);
    FScroll->setGeometry(0, 0, Size.width(), Size.height());
}

void TfrmMain::SetPanelSize(int Width, int Height) {
    Panel1->resize(Width, Height);
}

void TfrmMain::SetPanelColor(TColor Color) {
    FPanelColor = Color;
    QPalette P = Panel1->palette();
    P.setColor(QPalette::Window, ToQColor(Color));
    Panel1->setPalette(P);
}

void TfrmMain::SetMessageText(const std::string& Text) {
    lblMessage->setText(FromLocal(Text));
}

void TfrmMain::ShowMessage(const std::string& Text) {
    ShowBox(QMessageBox::NoIcon, Text);
}

void TfrmMain::ShowError(const std::string& Text) {
    ShowBox(QMessageBox::Critical, Text);
}

void TfrmMain::SetCursor(TCursor Cursor) {
    if (Cursor == crHourGlass && !FWaitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FWaitCursor = true;
    } else if (Cursor == crDefault && FWaitCursor) {
        QApplication::restoreOverrideCursor();
        FWaitCursor = false;
    }
}

void TfrmMain::FocusFileName() {
    edtFileName->setFocus();
}

void TfrmMain::FocusMarkCode() {
    edtMarkCode->setFocus();
}

void TfrmMain::CloseWindow() {
    close();
}

} // namespace quillon
