// The real window on the offscreen platform: its controls, keyboard rules,
// the picture dialog, and whole verifications of reference files.
#include "combo_edit.h"
#include "fMain.h"
#include "main_window_logic.h"
#include "picture_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <optional>
#include <vector>

using namespace quillon;

namespace {

QString DataDir() {
    return QStringLiteral(QUILLON_TESTDATA_DIR);
}

// Closes every message box that comes up, noting what it showed.
class TBoxCloser {
  public:
    struct TSeen {
        QString Text;
        QString Title;
        QMessageBox::Icon Icon;
        bool OkOnly;
        bool CursorRestored;
        bool Modal;
    };

    TBoxCloser() {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (Box == nullptr || !Box->isVisible())
                return;
            const auto Buttons = Box->buttons();
            Boxes.push_back(
                {Box->text(), Box->windowTitle(), Box->icon(),
                 Buttons.size() == 1 && Box->standardButton(Buttons[0]) == QMessageBox::Ok,
                 QApplication::overrideCursor() == nullptr, Box->isModal()});
            Box->button(QMessageBox::Ok)->click();
        });
        FTimer.start();
    }
    std::vector<TSeen> Boxes;

  private:
    QTimer FTimer;
};

struct TSignedJpeg {
    QString Name;
    QString SiteCode;
    QString OtherSiteCode;
};

// The signed reference JPEGs whose site codes can be typed into a field.
std::vector<TSignedJpeg> TypableSignedJpegs() {
    std::vector<TSignedJpeg> Out;
    QFile Tsv(DataDir() + "/jpeg-signed/expected.tsv");
    if (!Tsv.open(QIODevice::ReadOnly))
        return Out;
    Tsv.readLine(); // header
    while (!Tsv.atEnd()) {
        const QList<QByteArray> F = Tsv.readLine().trimmed().split('\t');
        if (F.size() < 5 || !F[0].startsWith("signed_") || F[2] != "1" || F[4] != "0")
            continue;
        const QByteArray Site = QByteArray::fromHex(F[1]);
        const QString Typed = QString::fromLocal8Bit(Site);
        if (Typed.toLocal8Bit() != Site)
            continue; // not representable as text on this system
        Out.push_back(
            {QString::fromUtf8(F[0]), Typed, QString::fromLocal8Bit(QByteArray::fromHex(F[3]))});
    }
    return Out;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TfrmMain> FWindow;
    // Files the scripted dialog returns, one per run; none left cancels.
    QStringList FChoices;
    int FDialogRuns = 0;
    std::function<void(TOpenPictureDialog&)> FInspectDialog;

    void Choose(const QString& Path) {
        FChoices.push_back(Path);
        FWindow->edtFileNameButtonClick();
    }
    void Verify(const QString& SiteCode) {
        FWindow->edtMarkCode->setText(SiteCode);
        QTest::mouseClick(FWindow->btnVerify, Qt::LeftButton);
    }
    QToolButton* BrowseButton() const {
        const auto Buttons = FWindow->edtFileName->findChildren<QToolButton*>();
        return Buttons.size() == 1 ? Buttons[0] : nullptr;
    }
    void SaveShot(const QString& Name) {
        const QString Dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(Dir);
        QVERIFY(FWindow->grab().save(Dir + "/" + Name));
    }

  private slots:
    void init() {
        QVERIFY2(QDir(DataDir()).exists(), "reference test data missing");
        FChoices.clear();
        FDialogRuns = 0;
        FInspectDialog = nullptr;
        FWindow = std::make_unique<TfrmMain>();
        FWindow->DialogRunner = [this](TOpenPictureDialog& D) -> std::optional<QString> {
            ++FDialogRuns;
            if (FInspectDialog)
                FInspectDialog(D);
            if (FChoices.isEmpty())
                return std::nullopt;
            return FChoices.takeFirst();
        };
        FWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
    }
    void cleanup() { FWindow.reset(); }

    void controlsAtTheirPlaces() {
        QCOMPARE(FWindow->windowTitle(), QString("Quillon"));
        QCOMPARE(FWindow->size(), QSize(331, 322));
        QCOMPARE(FWindow->minimumSize(), FWindow->maximumSize());
        QVERIFY(!(FWindow->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(FWindow->windowFlags() & Qt::WindowMaximizeButtonHint));

        struct TExpect {
            QWidget* Control;
            QString Name;
            QRect Geometry;
            bool Visible;
        };
        const TExpect Controls[] = {
            {FWindow->edtFileName, "edtFileName", {8, 8, 249, 21}, true},
            {FWindow->btnVerify, "btnVerify", {160, 36, 75, 25}, true},
            {FWindow->edtMarkCode, "edtMarkCode", {64, 36, 89, 21}, true},
            {FWindow->Panel1, "Panel1", {0, 104, 329, 217}, true},
            {FWindow->Image1, "Image1", {3, 3, 319, 207}, true},
            {FWindow->btnSet, "btnSet", {288, 4, 39, 25}, false},
            {FWindow->btnClose, "btnClose", {240, 36, 75, 25}, true},
            {FWindow->lblMessage, "lblMessage", {64, 72, 265, 17}, true},
            {FWindow->JvLabel1, "JvLabel1", {8, 40, 48, 13}, true},
            {FWindow->JvLabel2, "JvLabel2", {8, 72, 45, 13}, true},
        };
        for (const TExpect& E : Controls) {
            QCOMPARE(E.Control->objectName(), E.Name);
            QCOMPARE(E.Control->geometry(), E.Geometry);
            QCOMPARE(E.Control->isVisible(), E.Visible);
        }
        QCOMPARE(FWindow->Image1->parentWidget(), FWindow->Panel1);
        QCOMPARE(FWindow->btnVerify->text(), QString("Verify"));
        QCOMPARE(FWindow->btnSet->text(), QString("Set"));
        QCOMPARE(FWindow->btnClose->text(), QString("Close"));
        QCOMPARE(FWindow->JvLabel1->text(), QString("Site Code"));
        QCOMPARE(FWindow->JvLabel2->text(), QString("Message"));
        QCOMPARE(FWindow->lblMessage->text(), QString("Choose a file to verify."));
        QCOMPARE(FWindow->lblMessage->frameShadow(), QFrame::Sunken);
        QCOMPARE(FWindow->edtFileName->text(), QString());
        QCOMPARE(FWindow->edtMarkCode->text(), QString());
        QCOMPARE(FWindow->PanelColor(), clWhite);
        QCOMPARE(FWindow->Panel1->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(FWindow->OpenPictureDialog1->objectName(), QString("OpenPictureDialog1"));
        QCOMPARE(FWindow->Logic().BaseImageWidth(), 319);
        QCOMPARE(FWindow->Logic().ExtraWidth(), 12);
        QCOMPARE(FWindow->Logic().ExtraHeight(), 115);

        // The browse button lies inside the field's right end and shows the folder glyph.
        QToolButton* Browse = BrowseButton();
        QVERIFY(Browse != nullptr);
        QVERIFY(!Browse->icon().isNull());
        QVERIFY(Browse->geometry().right() < FWindow->edtFileName->width());
        QVERIFY(Browse->geometry().left() > FWindow->edtFileName->width() / 2);
        QCOMPARE(OpenFolderGlyph().size(), QSize(14, 12));
        QVERIFY(OpenFolderGlyph().toImage().pixelColor(13, 0).alpha() == 0);
    }

    void centredWhenFirstShown() {
        const QRect Screen = FWindow->screen()->availableGeometry();
        const QPoint Centre = FWindow->frameGeometry().center();
        QVERIFY(qAbs(Centre.x() - Screen.center().x()) <= 1);
        QVERIFY(qAbs(Centre.y() - Screen.center().y()) <= 1);
    }

    void tabOrder() {
        QCOMPARE(QApplication::focusWidget(), FWindow->edtFileName);
        const QList<QWidget*> Cycle = {FWindow->btnVerify, FWindow->edtMarkCode, FWindow->btnClose,
                                       FWindow->edtFileName};
        for (QWidget* Next : Cycle) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Next);
        }
        FWindow->edtFileName->setText(AccessCode);
        FWindow->edtFileNameButtonClick();
        FWindow->edtFileName->setFocus();
        const QList<QWidget*> WithSet = {FWindow->btnVerify, FWindow->edtMarkCode, FWindow->btnSet,
                                         FWindow->btnClose, FWindow->edtFileName};
        for (QWidget* Next : WithSet) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Next);
        }
    }

    void enterAndEscapePressNothing() {
        FWindow->edtFileName->setText(AccessCode);
        FWindow->edtFileNameButtonClick();
        int Clicks = 0;
        for (QPushButton* B : {FWindow->btnVerify, FWindow->btnSet, FWindow->btnClose}) {
            QVERIFY(!B->autoDefault());
            QVERIFY(!B->isDefault());
            connect(B, &QPushButton::clicked, [&Clicks] { ++Clicks; });
        }
        TBoxCloser Closer;
        for (QWidget* Target : std::initializer_list<QWidget*>{
                 FWindow->edtFileName, FWindow->btnVerify, FWindow->edtMarkCode, FWindow->btnSet,
                 FWindow->btnClose}) {
            Target->setFocus();
            for (Qt::Key Key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(Target, Key);
        }
        QCOMPARE(Clicks, 0);
        QVERIFY(FWindow->isVisible());
        QVERIFY(Closer.Boxes.empty());
        QCOMPARE(FDialogRuns, 0);
    }

    void altDownAndTheButtonBrowse() {
        QTest::keyClick(FWindow->edtFileName, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(FDialogRuns, 1);
        QTest::keyClick(FWindow->edtFileName, Qt::Key_Down);
        QCOMPARE(FDialogRuns, 1);
        QTest::mouseClick(BrowseButton(), Qt::LeftButton);
        QCOMPARE(FDialogRuns, 2);
    }

    void accessCodeOpensTheSigningMode() {
        const QString Photo = DataDir() + "/jpeg/jpeg/gray_rose_q75.jpg";
        Choose(Photo);
        FWindow->edtFileName->setText(AccessCode);
        QTest::mouseClick(BrowseButton(), Qt::LeftButton);
        QCOMPARE(FDialogRuns, 1);
        QVERIFY(FWindow->btnSet->isVisible());
        QCOMPARE(FWindow->edtFileName->text(), QString());
        QCOMPARE(QString::fromStdString(FWindow->Logic().FilePath()), Photo);
    }

    void pictureDialog() {
        const QString Jpeg = DataDir() + "/jpeg/jpeg/gray_rose_q75.jpg";
        const QString Avi = DataDir() + "/avi/signed_mjpeg_pcm.avi";
        std::vector<QString> Selected;
        FInspectDialog = [&](TOpenPictureDialog& D) {
            QCOMPARE(D.nameFilters().size(), 2);
            QCOMPARE(D.selectedNameFilter(), QString("JPEG Image File (*.jpg;*.jpeg)"));
            QVERIFY(D.testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(D.fileMode(), QFileDialog::AnyFile);
            QVERIFY(D.isSizeGripEnabled());
            auto* Types = D.findChild<QComboBox*>("fileTypeCombo");
            QVERIFY(Types != nullptr);
            QCOMPARE(Types->count(), 2);
            QCOMPARE(Types->itemText(0), QString("JPEG Image File (*.jpg;*.jpeg)"));
            QCOMPARE(Types->itemText(1), QString("AVI Movie File(*.avi)"));
            QCOMPARE(Types->currentIndex(), 0);
            Selected.push_back(D.selectedFiles().value(0));

            D.UpdatePreview(Jpeg);
            QVERIFY(!D.Preview()->pixmap().isNull());
            D.UpdatePreview(Avi);
            QVERIFY(D.Preview()->pixmap().isNull());
            D.UpdatePreview(DataDir() + "/jpeg/jpeg/err_not_jpeg_text.jpg");
            QVERIFY(D.Preview()->pixmap().isNull());
        };
        Choose(Avi);
        Choose(Jpeg);
        QCOMPARE(FDialogRuns, 2);
        // The second run opens with the first choice as its file.
        QCOMPARE(Selected.size(), size_t(2));
        QCOMPARE(QFileInfo(Selected[1]).fileName(), QString("signed_mjpeg_pcm.avi"));
    }

    void previewResizesWindowAndFrame() {
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        QCOMPARE(FWindow->Image1->size(), QSize(17, 13));
        QCOMPARE(FWindow->size(), QSize(331, 128));
        QCOMPARE(FWindow->Panel1->size(), QSize(27, 23));
        QCOMPARE(FWindow->Image1->pos(), QPoint(3, 3));
        QVERIFY(!FWindow->Image1->pixmap().isNull());
        QCOMPARE(FWindow->Image1->pixmap().size(), QSize(17, 13));
        QCOMPARE(FWindow->windowTitle(), QString("Quillon"));
    }

    void largePicturesFitTheScreen() {
        // Moved toward the screen's corner first: the window must come back onto it.
        const QRect Area = FWindow->screen()->availableGeometry();
        FWindow->move(Area.right() - 100, Area.bottom() - 100);
        Choose(DataDir() + "/jpeg-signed/jpeg/signed_medium_photo1600x1200_420_q85.jpg");
        const QSize Picture = FWindow->Image1->size();
        QVERIFY(Picture.width() < 1600 && Picture.height() < 1200);
        // Reduced alike in both directions, to within a pixel.
        QVERIFY(qAbs(Picture.width() * 1200 - Picture.height() * 1600) <= 1600);
        QVERIFY(Area.contains(FWindow->frameGeometry()));
        QCOMPARE(FWindow->minimumSize(), FWindow->maximumSize());
        QCOMPARE(FWindow->Panel1->size(), Picture + QSize(10, 10));
        QCOMPARE(FWindow->size(),
                 QSize(std::max(Picture.width(), 319) + 12, Picture.height() + 115));
        const int Percent = Picture.width() * 100 / 1600;
        QVERIFY2(FWindow->windowTitle().startsWith("Quillon - ") &&
                     qAbs(FWindow->windowTitle().mid(10).chopped(2).toInt() - Percent) <= 1,
                 qPrintable(FWindow->windowTitle()));

        // A picture that fits is whole again, and the title says nothing more.
        FWindow->move(Area.right() - 100, Area.bottom() - 100);
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        QCOMPARE(FWindow->windowTitle(), QString("Quillon"));
        QVERIFY(Area.contains(FWindow->frameGeometry()));
    }

    void aMovieReplacesThePicture() {
        Choose(DataDir() + "/jpeg-signed/jpeg/signed_q090_420_plasma128x96.jpg");
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clBlue);
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        QVERIFY(FWindow->Image1->pixmap().isNull());
        QCOMPARE(FWindow->Image1->text(), QString("Movie: signed_mjpeg_pcm.avi"));
        QCOMPARE(FWindow->Image1->size(), QSize(319, 207));
        QCOMPARE(FWindow->size(), QSize(331, 322));
        QCOMPARE(FWindow->PanelColor(), clWhite);
        QCOMPARE(FWindow->lblMessage->text(), QString("Choose a file to verify."));
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clBlue);
        // A picture after the placeholder shows as a picture again.
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        QCOMPARE(FWindow->Image1->text(), QString());
        QCOMPARE(FWindow->Image1->size(), QSize(17, 13));
    }

    void codecErrorInThePreview() {
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        TBoxCloser Closer;
        const QString Broken = DataDir() + "/jpeg/jpeg/err_not_jpeg_text.jpg";
        Choose(Broken);
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Icon, QMessageBox::Critical);
        QVERIFY(Closer.Boxes[0].OkOnly);
        QVERIFY(!Closer.Boxes[0].Text.isEmpty());
        QCOMPARE(FWindow->edtFileName->text(), Broken);
        QCOMPARE(QString::fromStdString(FWindow->Logic().FilePath()), Broken);
        // The old picture is gone: nothing stands for a file that was not read.
        QCOMPARE(FWindow->size(), QSize(331, 322));
        QVERIFY(FWindow->Image1->pixmap().isNull());
        QCOMPARE(FWindow->Image1->text(), QString("No preview: err_not_jpeg_text.jpg"));
    }

    void captionsAreWhole() {
        const QList<QLabel*> Labels = {FWindow->JvLabel1, FWindow->JvLabel2, FWindow->lblMessage};
        for (const char* Verdict :
             {"Original image file !!", "Entire image changed or wrong SITE-CODE !!",
              "Choose a file to verify."}) {
            FWindow->lblMessage->setText(Verdict);
            for (QLabel* L : Labels) {
                const QFontMetrics M(L->font());
                const QRect Room = L->contentsRect().adjusted(qMax(L->indent(), 0), 0, 0, 0);
                QVERIFY2(M.horizontalAdvance(L->text()) <= Room.width() &&
                             M.height() <= Room.height(),
                         qPrintable(L->text()));
                QVERIFY(L->font().pixelSize() >= 8);
            }
        }
        for (QPushButton* B : {FWindow->btnVerify, FWindow->btnSet, FWindow->btnClose}) {
            const QFontMetrics M(B->font());
            QVERIFY2(M.horizontalAdvance(B->text()) < B->width() - 4, qPrintable(B->text()));
            QVERIFY(M.height() < B->height());
        }
    }

    void browseButtonIsDrawnAtStart() {
        QToolButton* Browse = BrowseButton();
        QVERIFY(Browse != nullptr && Browse->isVisible());
        const QImage Shot = FWindow->grab().toImage();
        // The grab holds device pixels: more than the window's at a scale above 1.
        const qreal Ratio = Shot.devicePixelRatio();
        const QRect Area(Browse->mapTo(FWindow.get(), QPoint(0, 0)) * Ratio,
                         Browse->size() * Ratio);
        int Yellow = 0;
        for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
            for (int X = Area.left(); X <= Area.right(); ++X) {
                const QColor C = Shot.pixelColor(X, Y);
                Yellow += C.red() > 200 && C.green() > 200 && C.blue() < 80;
            }
        QVERIFY2(Yellow >= 10, "the folder glyph is not drawn");
    }

    void longPathShowsTheFileName() {
        const QString Long =
            "/" + QString(40, 'd') + "/" + QString(60, 'e') + "/clip-at-the-end.avi";
        Choose(Long);
        QCOMPARE(FWindow->edtFileName->text(), Long);
        QCOMPARE(FWindow->edtFileName->toolTip(), Long);
        QCOMPARE(FWindow->edtFileName->cursorPosition(), Long.size());
        // Once drawn, the end of the text lies inside the field, left of the browse button.
        FWindow->grab();
        const QRect Caret = FWindow->edtFileName->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY(Caret.left() > 0 && Caret.left() < BrowseButton()->geometry().left());
    }

    void focusStaysWhereItWasAfterTheDialog() {
        // The offscreen platform activates no window again by itself, so what
        // is checked is the control the window gives the focus to when it is.
        FWindow->DialogRunner = [](TOpenPictureDialog& D) -> std::optional<QString> {
            QTimer::singleShot(50, &D, &QDialog::reject);
            D.exec();
            return std::nullopt;
        };
        FWindow->edtMarkCode->setFocus();
        FWindow->edtFileNameButtonClick();
        QCOMPARE(FWindow->focusWidget(), FWindow->edtMarkCode);
        // A click on the browse button puts the focus into its field first.
        QTest::mouseClick(BrowseButton(), Qt::LeftButton);
        QCOMPARE(FWindow->focusWidget(), FWindow->edtFileName);
        FWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
        // The closed dialog's controls may hold the focus until its events
        // are handled (slow under the sanitizers).
        QTRY_COMPARE(QApplication::focusWidget(), FWindow->edtFileName);
    }

    void aDroppedFileIsChosen() {
        const QString Photo = DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg";
        QMimeData Data;
        Data.setUrls({QUrl("https://example.invalid/x.jpg"), QUrl::fromLocalFile(Photo)});
        QDragEnterEvent Enter(QPoint(50, 50), Qt::CopyAction, &Data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(FWindow.get(), &Enter);
        QVERIFY(Enter.isAccepted());
        QDropEvent Drop(QPointF(50, 50), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(FWindow.get(), &Drop);
        QCOMPARE(QString::fromStdString(FWindow->Logic().FilePath()), Photo);
        QCOMPARE(FWindow->Image1->size(), QSize(17, 13));
        QCOMPARE(FDialogRuns, 0);

        QMimeData Text;
        Text.setText("not a file");
        QDragEnterEvent Refused(QPoint(50, 50), Qt::CopyAction, &Text, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(FWindow.get(), &Refused);
        QVERIFY(!Refused.isAccepted());
    }

    void verifySignedAndUnsignedJpegs() {
        const std::vector<TSignedJpeg> Files = TypableSignedJpegs();
        QVERIFY(Files.size() >= 5);
        TBoxCloser Closer;
        bool Shot = false;
        for (const TSignedJpeg& F : Files) {
            Choose(DataDir() + "/jpeg-signed/jpeg/" + F.Name + ".jpg");
            QCOMPARE(FWindow->PanelColor(), clWhite);
            Verify(F.SiteCode);
            QCOMPARE(FWindow->lblMessage->text(), QString("Original image file !!"));
            QCOMPARE(FWindow->PanelColor(), clBlue);
            if (!Shot && F.Name.startsWith("signed_prog_422_photo")) {
                SaveShot("verdict-blue.png");
                Shot = true;
            }
            Verify(F.OtherSiteCode);
            QCOMPARE(FWindow->lblMessage->text(),
                     QString("Entire image changed or wrong SITE-CODE !!"));
            QCOMPARE(FWindow->PanelColor(), clRed);
        }
        QVERIFY(Shot);

        // No signature at all.
        Choose(DataDir() + "/jpeg/jpeg/cs_jfif_ycbcr_photo72x48.jpg");
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clRed);
        QCOMPARE(FWindow->lblMessage->text(),
                 QString("Entire image changed or wrong SITE-CODE !!"));
        SaveShot("verdict-red.png");
        QVERIFY(Closer.Boxes.empty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void verifyAvi() {
        TBoxCloser Closer;
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clBlue);
        QCOMPARE(FWindow->lblMessage->text(), QString("Original image file !!"));
        Verify("SITE-43");
        QCOMPARE(FWindow->PanelColor(), clRed);
        Choose(DataDir() + "/avi/signed_payload_changed.avi");
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clRed);
        QCOMPARE(FWindow->lblMessage->text(),
                 QString("Entire image changed or wrong SITE-CODE !!"));
        QVERIFY(Closer.Boxes.empty());
    }

    void messageBoxesAndFocus() {
        TBoxCloser Closer;
        Verify("");
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Text, QString("Invalid group code"));
        QCOMPARE(Closer.Boxes[0].Icon, QMessageBox::NoIcon);
        QVERIFY(Closer.Boxes[0].OkOnly);
        QVERIFY(Closer.Boxes[0].Modal);
        QVERIFY(Closer.Boxes[0].CursorRestored);
        QCOMPARE(FWindow->lblMessage->text(), QString());
        QCOMPARE(FWindow->PanelColor(), clWhite);
        QCOMPARE(FWindow->focusWidget(), FWindow->edtMarkCode);

        // A typed path is not a chosen file.
        FWindow->edtFileName->setText(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(Closer.Boxes.size(), size_t(2));
        QCOMPARE(Closer.Boxes[1].Text, QString("Invalid file"));
        QVERIFY(Closer.Boxes[1].CursorRestored);
        QCOMPARE(FWindow->focusWidget(), FWindow->edtFileName);

        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify(QString(256, 'x'));
        QCOMPARE(Closer.Boxes.size(), size_t(3));
        QCOMPARE(Closer.Boxes[2].Text, QString("Invalid group code"));
    }

    void temporaryFolderProblemsAreYellow() {
        TBoxCloser Closer;
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clBlue);
        const QByteArray Old = qgetenv("TEMP");
        qputenv("TEMP", "/nonexistent/quillon/temp");
        Verify("SITE-42");
        if (Old.isNull())
            qunsetenv("TEMP");
        else
            qputenv("TEMP", Old);
        QCOMPARE(FWindow->PanelColor(), clYellow);
        QCOMPARE(FWindow->lblMessage->text(), QString("Original image file !!"));
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Text,
                 QString("In your system, the environment value as \"TEMP\" is not set.\r\n"
                         "It is very important system environment value. Pleas check it, "
                         "and try again."));
    }

    void setWritesASignedCopy() {
        QTemporaryDir Dir;
        QVERIFY(Dir.isValid());
        const QString Photo = Dir.filePath("photo.jpg");
        QVERIFY(QFile::copy(DataDir() + "/jpeg/jpeg/cs_jfif_ycbcr_photo72x48.jpg", Photo));
        const QString Clip = Dir.filePath("CLIP.AVI");
        QVERIFY(QFile::copy(DataDir() + "/avi/ff_mjpeg_pcm.avi", Clip));

        FWindow->edtFileName->setText(AccessCode);
        FWindow->edtFileNameButtonClick();
        TBoxCloser Closer;
        for (const QString& Source : {Photo, Clip}) {
            Choose(Source);
            FWindow->edtMarkCode->setText("SITE-42");
            QTest::mouseClick(FWindow->btnSet, Qt::LeftButton);
        }
        QVERIFY(Closer.Boxes.empty());
        QVERIFY(QFile::exists(Photo + ".mod.jpg"));
        QVERIFY(QFile::exists(Clip + ".mod.avi"));

        for (const QString& Copy : {Photo + ".mod.jpg", Clip + ".mod.avi"}) {
            Choose(Copy);
            Verify("SITE-42");
            QCOMPARE(FWindow->PanelColor(), clBlue);
        }
    }

    void failedSetSaysSo() {
        FWindow->edtFileName->setText(AccessCode);
        FWindow->edtFileNameButtonClick();
        TBoxCloser Closer;
        FWindow->edtMarkCode->setText("SITE-42");
        QTest::mouseClick(FWindow->btnSet, Qt::LeftButton);
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Text, QString::fromStdString(SigningFailedText(".mod.jpg")));
        QVERIFY(Closer.Boxes[0].OkOnly);
        QCOMPARE(FWindow->lblMessage->text(), QString("Choose a file to verify."));
    }

    // With QUILLON_SCREENSHOT set to a PNG path: the window after a blue
    // verdict on a photo in a plainly named folder, for the documentation.
    void screenshotForTheDocs() {
        const QByteArray Target = qgetenv("QUILLON_SCREENSHOT");
        if (Target.isEmpty())
            QSKIP("QUILLON_SCREENSHOT not set");
        const QString Folder = QDir::tempPath() + "/Photos";
        QVERIFY(QDir().mkpath(Folder));
        const QString Photo = Folder + "/plasma.jpg";
        QFile::remove(Photo);
        QVERIFY(
            QFile::copy(DataDir() + "/jpeg-signed/jpeg/signed_q090_420_plasma128x96.jpg", Photo));
        Choose(Photo);
        Verify("SITE-42");
        QCOMPARE(FWindow->PanelColor(), clBlue);
        FWindow->edtFileName->setFocus();
        QVERIFY(FWindow->grab().save(QString::fromLocal8Bit(Target)));
        QFile::remove(Photo);
    }

    void closeEndsTheWindow() {
        QTest::mouseClick(FWindow->btnClose, Qt::LeftButton);
        QVERIFY(!FWindow->isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
