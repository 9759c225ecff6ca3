#include "fMain.h"

#include "caption_fit.h"
#include "combo_edit.h"
#include "picture_dialog.h"
#include "qt_image.h"
#include "window_layout.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QWindow>

#include <algorithm>

namespace quillon {

namespace {

// Where the verdict line's text starts inside its sunken border.
constexpr int MessageIndent = 2;

QString FromLocal(const std::string& Text) {
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
}

std::string ToLocal(const QString& Text) {
    return Text.toLocal8Bit().toStdString();
}

QRect ToQRect(const TDesignRect& R) {
    return {R.Left, R.Top, R.Width, R.Height};
}

// Name, place, visibility and start text from the design layout.
template <typename TWidget> TWidget* Placed(TWidget* Widget, TControl Id) {
    const TControlDesign& D = DesignOf(Id);
    Widget->setObjectName(D.Name);
    Widget->setGeometry(ToQRect(D.Rect));
    Widget->setVisible(D.VisibleAtStart);
    if constexpr (requires { Widget->setText(QString()); })
        Widget->setText(QString::fromUtf8(D.Caption));
    return Widget;
}

QPushButton* MakeButton(TControl Id, QWidget* Parent) {
    auto* B = Placed(new QPushButton(Parent), Id);
    // Enter must not press a button.
    B->setAutoDefault(false);
    B->setDefault(false);
    return B;
}

void ShowBox(QMessageBox::Icon Icon, const std::string& Text) {
    // Parentless, so it is centred on the screen, and modal for the whole program.
    QMessageBox Box(Icon, QStringLiteral("Quillon"), FromLocal(Text), QMessageBox::Ok);
    Box.setWindowModality(Qt::ApplicationModal);
    Box.exec();
}

// The first local file among what is dragged or dropped.
QString DroppedFile(const QMimeData* Data) {
    if (Data == nullptr || !Data->hasUrls())
        return {};
    for (const QUrl& Url : Data->urls())
        if (Url.isLocalFile())
            return Url.toLocalFile();
    return {};
}

} // namespace

QColor ToQColor(TColor Color) {
    return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                  static_cast<int>((Color >> 16) & 0xFF));
}

TfrmMain::TfrmMain(TEngineEntries Entries, QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FLogic(*this, std::move(Entries)) {
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("Quillon"));
    QFont Font;
    // Where the design face is missing, the nearest of these stands in.
    Font.setFamilies(
        {DesignFontFace, "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
    Font.setPixelSize(DesignFontHeight);
    setFont(Font);
    setAcceptDrops(true);

    CreateControls();
    FitCaptionFonts();
    SetPanelColor(clWhite);
    setFixedSize(DesignClientWidth, DesignClientHeight);

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

void TfrmMain::CreateControls() {
    // In the order the window declares them.
    edtFileName = Placed(new TComboEdit(this), TControl::EdtFileName);
    OpenPictureDialog1 = new TOpenPictureDialog(this);
    btnVerify = MakeButton(TControl::BtnVerify, this);
    edtMarkCode = Placed(new QLineEdit(this), TControl::EdtMarkCode);
    edtMarkCode->setMaxLength(32767);
    JvLabel1 = Placed(new QLabel(this), TControl::JvLabel1);

    Panel1 = Placed(new QFrame(this), TControl::Panel1);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    Panel1->setFocusPolicy(Qt::NoFocus);
    Image1 = Placed(new QLabel(Panel1), TControl::Image1);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setScaledContents(false);

    btnSet = MakeButton(TControl::BtnSet, this);
    btnClose = MakeButton(TControl::BtnClose, this);
    JvLabel2 = Placed(new QLabel(this), TControl::JvLabel2);
    lblMessage = Placed(new QLabel(this), TControl::LblMessage);
    lblMessage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblMessage->setIndent(MessageIndent);
    lblMessage->setFocusPolicy(Qt::NoFocus);

    setTabOrder(edtFileName, btnVerify);
    setTabOrder(btnVerify, edtMarkCode);
    setTabOrder(edtMarkCode, btnSet);
    setTabOrder(btnSet, btnClose);
}

void TfrmMain::FitCaptionFonts() {
    const QFont Base = font();
    const TTextMeasure Measure = [&Base](int Height, std::string_view Text) {
        QFont F = Base;
        F.setPixelSize(Height);
        const QFontMetrics M(F);
        return TTextSize{M.horizontalAdvance(
                             QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()))),
                         M.height()};
    };
    const int ButtonMargin = style()->pixelMetric(QStyle::PM_ButtonMargin);
    const std::pair<QWidget*, TControl> Captioned[] = {
        {btnVerify, TControl::BtnVerify}, {JvLabel1, TControl::JvLabel1},
        {btnSet, TControl::BtnSet},       {btnClose, TControl::BtnClose},
        {JvLabel2, TControl::JvLabel2},   {lblMessage, TControl::LblMessage},
    };
    for (const auto& [W, Id] : Captioned) {
        QRect Room = W->contentsRect();
        if (W == lblMessage)
            Room.setLeft(Room.left() + MessageIndent);
        if (DesignOf(Id).Kind == TCaptionKind::Button)
            Room.adjust(ButtonMargin, 2, -ButtonMargin, -2);
        QFont F = Base;
        F.setPixelSize(FittingFontHeight(DesignFontHeight, SmallestFontHeight,
                                         {Room.width(), Room.height()}, TextsShownBy(Id), Measure));
        W->setFont(F);
    }
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
    KeepOnScreen();
    // Another screen may offer other room: the preview is fitted to it anew.
    if (QWindow* Handle = windowHandle())
        connect(Handle, &QWindow::screenChanged, this, [this] { FLogic.Refit(); });
    edtFileName->setFocus();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* Event) {
    if (!DroppedFile(Event->mimeData()).isEmpty())
        Event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* Event) {
    const QString Path = DroppedFile(Event->mimeData());
    if (Path.isEmpty())
        return;
    Event->acceptProposedAction();
    ChooseFile(Path);
}

void TfrmMain::ChooseFile(const QString& Path) {
    FLogic.ChooseFile(ToLocal(QFileInfo(Path).absoluteFilePath()));
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
    const QString Path = FromLocal(Text);
    edtFileName->setText(Path);
    // The end of a long path is its file's name: that is what shows.
    edtFileName->setCursorPosition(static_cast<int>(Path.size()));
    edtFileName->setToolTip(Path);
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
    Image1->setText(QString());
    Image1->setAutoFillBackground(false);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(Image));
    // Auto-size: the control takes the picture's own size.
    Image1->resize(Image.size());
}

void TfrmMain::SetPlaceholder(const std::string& Caption, int Width, int Height) {
    Image1->setPixmap(QPixmap());
    Image1->setText(FromLocal(Caption));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setWordWrap(true);
    // The window's face, so no verdict colour is taken for a picture.
    Image1->setBackgroundRole(QPalette::Button);
    Image1->setAutoFillBackground(true);
    Image1->resize(Width, Height);
}

int TfrmMain::ImageWidth() const {
    return Image1->width();
}

int TfrmMain::ImageHeight() const {
    return Image1->height();
}

int TfrmMain::ClientWidth() const {
    return width();
}

int TfrmMain::ClientHeight() const {
    return height();
}

void TfrmMain::SetClientSize(int Width, int Height) {
    // The top-left corner stays where it is, unless that leaves the window
    // reaching past the screen.
    setFixedSize(Width, Height);
    KeepOnScreen();
}

TPixelSize TfrmMain::ClientRoom() const {
    const QScreen* S = screen();
    if (S == nullptr)
        return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    QSize Decoration = frameGeometry().size() - geometry().size();
    // Before it is first shown the window has no frame yet: allow for a title bar.
    if (!isVisible() && Decoration.isEmpty())
        Decoration = QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QSize Room = S->availableGeometry().size() - Decoration;
    return {Room.width(), Room.height()};
}

void TfrmMain::KeepOnScreen() {
    const QScreen* S = screen();
    if (S == nullptr || !isVisible())
        return;
    const QRect Area = S->availableGeometry();
    const QRect Frame = frameGeometry();
    const int X = std::max(Area.left(), std::min(Frame.left(), Area.right() + 1 - Frame.width()));
    const int Y = std::max(Area.top(), std::min(Frame.top(), Area.bottom() + 1 - Frame.height()));
    if (X != Frame.left() || Y != Frame.top())
        move(pos() + QPoint(X - Frame.left(), Y - Frame.top()));
}

void TfrmMain::ShowScale(int Percent) {
    setWindowTitle(QString::fromStdString(ScaledTitle("Quillon", Percent)));
}

int TfrmMain::PanelWidth() const {
    return Panel1->width();
}

int TfrmMain::PanelHeight() const {
    return Panel1->height();
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
