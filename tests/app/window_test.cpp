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
class BoxCloser {
  public:
    struct Seen {
        QString Text;
        QString Title;
        QMessageBox::Icon Icon;
        bool OkOnly;
        bool CursorRestored;
        bool Modal;
    };

    BoxCloser() {
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
    std::vector<Seen> Boxes;

  private:
    QTimer FTimer;
};

struct SignedJpeg {
    QString Name;
    QString SiteCode;
    QString OtherSiteCode;
};

// The signed reference JPEGs whose site codes can be typed into a field.
std::vector<SignedJpeg> TypableSignedJpegs() {
    std::vector<SignedJpeg> Out;
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
    std::unique_ptr<TfrmMain> W;
    // Files the scripted dialog returns, one per run; none left cancels.
    QStringList Choices;
    int DialogRuns = 0;
    std::function<void(TOpenPictureDialog&)> InspectDialog;

    void Choose(const QString& Path) {
        Choices.push_back(Path);
        W->edtFileNameButtonClick();
    }
    void Verify(const QString& SiteCode) {
        W->edtMarkCode->setText(SiteCode);
        QTest::mouseClick(W->btnVerify, Qt::LeftButton);
    }
    QToolButton* BrowseButton() const {
        const auto Buttons = W->edtFileName->findChildren<QToolButton*>();
        return Buttons.size() == 1 ? Buttons[0] : nullptr;
    }
    void SaveShot(const QString& Name) {
        const QString Dir = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(Dir);
        QVERIFY(W->grab().save(Dir + "/" + Name));
    }

  private slots:
    void init() {
        QVERIFY2(QDir(DataDir()).exists(), "reference test data missing");
        Choices.clear();
        DialogRuns = 0;
        InspectDialog = nullptr;
        W = std::make_unique<TfrmMain>();
        W->DialogRunner = [this](TOpenPictureDialog& D) -> std::optional<QString> {
            ++DialogRuns;
            if (InspectDialog)
                InspectDialog(D);
            if (Choices.isEmpty())
                return std::nullopt;
            return Choices.takeFirst();
        };
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        W->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.get()));
    }
    void cleanup() { W.reset(); }

    void controlsAtTheirPlaces() {
        QCOMPARE(W->windowTitle(), QString("Quillon"));
        QCOMPARE(W->size(), QSize(331, 322));
        QCOMPARE(W->minimumSize(), W->maximumSize());
        QVERIFY(!(W->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(W->windowFlags() & Qt::WindowMaximizeButtonHint));

        struct Expect {
            QWidget* Control;
            QString Name;
            QRect Geometry;
            bool Visible;
        };
        const Expect Controls[] = {
            {W->edtFileName, "edtFileName", {8, 8, 249, 21}, true},
            {W->btnVerify, "btnVerify", {160, 36, 75, 25}, true},
            {W->edtMarkCode, "edtMarkCode", {64, 36, 89, 21}, true},
            {W->Panel1, "Panel1", {0, 104, 329, 217}, true},
            {W->Image1, "Image1", {3, 3, 319, 207}, true},
            {W->btnSet, "btnSet", {288, 4, 39, 25}, false},
            {W->btnClose, "btnClose", {240, 36, 75, 25}, true},
            {W->lblMessage, "lblMessage", {64, 72, 265, 17}, true},
            {W->JvLabel1, "JvLabel1", {8, 40, 48, 13}, true},
            {W->JvLabel2, "JvLabel2", {8, 72, 45, 13}, true},
        };
        for (const Expect& E : Controls) {
            QCOMPARE(E.Control->objectName(), E.Name);
            QCOMPARE(E.Control->geometry(), E.Geometry);
            QCOMPARE(E.Control->isVisible(), E.Visible);
        }
        QCOMPARE(W->Image1->parentWidget(), W->Panel1);
        QCOMPARE(W->btnVerify->text(), QString("Verify"));
        QCOMPARE(W->btnSet->text(), QString("Set"));
        QCOMPARE(W->btnClose->text(), QString("Close"));
        QCOMPARE(W->JvLabel1->text(), QString("Site Code"));
        QCOMPARE(W->JvLabel2->text(), QString("Message"));
        QCOMPARE(W->lblMessage->text(), QString("Choose a file to verify."));
        QCOMPARE(W->lblMessage->frameShadow(), QFrame::Sunken);
        QCOMPARE(W->edtFileName->text(), QString());
        QCOMPARE(W->edtMarkCode->text(), QString());
        QCOMPARE(W->PanelColor(), clWhite);
        QCOMPARE(W->Panel1->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(W->OpenPictureDialog1->objectName(), QString("OpenPictureDialog1"));
        QCOMPARE(W->Logic().BaseImageWidth(), 319);
        QCOMPARE(W->Logic().ExtraWidth(), 12);
        QCOMPARE(W->Logic().ExtraHeight(), 115);

        // The browse button lies inside the field's right end and shows the folder glyph.
        QToolButton* Browse = BrowseButton();
        QVERIFY(Browse != nullptr);
        QVERIFY(!Browse->icon().isNull());
        QVERIFY(Browse->geometry().right() < W->edtFileName->width());
        QVERIFY(Browse->geometry().left() > W->edtFileName->width() / 2);
        QCOMPARE(OpenFolderGlyph().size(), QSize(14, 12));
        QVERIFY(OpenFolderGlyph().toImage().pixelColor(13, 0).alpha() == 0);
    }

    void centredWhenFirstShown() {
        const QRect Screen = W->screen()->availableGeometry();
        const QPoint Centre = W->frameGeometry().center();
        QVERIFY(qAbs(Centre.x() - Screen.center().x()) <= 1);
        QVERIFY(qAbs(Centre.y() - Screen.center().y()) <= 1);
    }

    void tabOrder() {
        QCOMPARE(QApplication::focusWidget(), W->edtFileName);
        const QList<QWidget*> Cycle = {W->btnVerify, W->edtMarkCode, W->btnClose, W->edtFileName};
        for (QWidget* Next : Cycle) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Next);
        }
        W->edtFileName->setText(AccessCode);
        W->edtFileNameButtonClick();
        W->edtFileName->setFocus();
        const QList<QWidget*> WithSet = {W->btnVerify, W->edtMarkCode, W->btnSet, W->btnClose,
                                         W->edtFileName};
        for (QWidget* Next : WithSet) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Next);
        }
    }

    void enterAndEscapePressNothing() {
        W->edtFileName->setText(AccessCode);
        W->edtFileNameButtonClick();
        int Clicks = 0;
        for (QPushButton* B : {W->btnVerify, W->btnSet, W->btnClose}) {
            QVERIFY(!B->autoDefault());
            QVERIFY(!B->isDefault());
            connect(B, &QPushButton::clicked, [&Clicks] { ++Clicks; });
        }
        BoxCloser Closer;
        for (QWidget* Target : std::initializer_list<QWidget*>{
                 W->edtFileName, W->btnVerify, W->edtMarkCode, W->btnSet, W->btnClose}) {
            Target->setFocus();
            for (Qt::Key Key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(Target, Key);
        }
        QCOMPARE(Clicks, 0);
        QVERIFY(W->isVisible());
        QVERIFY(Closer.Boxes.empty());
        QCOMPARE(DialogRuns, 0);
    }

    void altDownAndTheButtonBrowse() {
        QTest::keyClick(W->edtFileName, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(DialogRuns, 1);
        QTest::keyClick(W->edtFileName, Qt::Key_Down);
        QCOMPARE(DialogRuns, 1);
        QTest::mouseClick(BrowseButton(), Qt::LeftButton);
        QCOMPARE(DialogRuns, 2);
    }

    void accessCodeOpensTheSigningMode() {
        const QString Photo = DataDir() + "/jpeg/jpeg/gray_rose_q75.jpg";
        Choose(Photo);
        W->edtFileName->setText(AccessCode);
        QTest::mouseClick(BrowseButton(), Qt::LeftButton);
        QCOMPARE(DialogRuns, 1);
        QVERIFY(W->btnSet->isVisible());
        QCOMPARE(W->edtFileName->text(), QString());
        QCOMPARE(QString::fromStdString(W->Logic().FilePath()), Photo);
    }

    void pictureDialog() {
        const QString Jpeg = DataDir() + "/jpeg/jpeg/gray_rose_q75.jpg";
        const QString Avi = DataDir() + "/avi/signed_mjpeg_pcm.avi";
        std::vector<QString> Selected;
        InspectDialog = [&](TOpenPictureDialog& D) {
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
        QCOMPARE(DialogRuns, 2);
        // The second run opens with the first choice as its file.
        QCOMPARE(Selected.size(), size_t(2));
        QCOMPARE(QFileInfo(Selected[1]).fileName(), QString("signed_mjpeg_pcm.avi"));
    }

    void previewResizesWindowAndFrame() {
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        QCOMPARE(W->Image1->size(), QSize(17, 13));
        QCOMPARE(W->size(), QSize(331, 128));
        QCOMPARE(W->Panel1->size(), QSize(27, 23));
        QCOMPARE(W->Image1->pos(), QPoint(3, 3));
        QVERIFY(!W->Image1->pixmap().isNull());
        QCOMPARE(W->Image1->pixmap().size(), QSize(17, 13));

        Choose(DataDir() + "/jpeg-signed/jpeg/signed_medium_photo1600x1200_420_q85.jpg");
        QCOMPARE(W->size(), QSize(1612, 1315));
        QCOMPARE(W->Panel1->size(), QSize(1610, 1210));
        QCOMPARE(W->minimumSize(), W->maximumSize());

        // An AVI keeps the picture and the size.
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        QCOMPARE(W->size(), QSize(1612, 1315));
        QCOMPARE(W->Image1->size(), QSize(1600, 1200));
    }

    void codecErrorInThePreview() {
        Choose(DataDir() + "/jpeg/jpeg/gray_size_17x13.jpg");
        BoxCloser Closer;
        const QString Broken = DataDir() + "/jpeg/jpeg/err_not_jpeg_text.jpg";
        Choose(Broken);
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Icon, QMessageBox::Critical);
        QVERIFY(Closer.Boxes[0].OkOnly);
        QVERIFY(!Closer.Boxes[0].Text.isEmpty());
        QCOMPARE(W->edtFileName->text(), Broken);
        QCOMPARE(QString::fromStdString(W->Logic().FilePath()), Broken);
        QCOMPARE(W->size(), QSize(331, 128));
        QCOMPARE(W->Image1->size(), QSize(17, 13));
    }

    void verifySignedAndUnsignedJpegs() {
        const std::vector<SignedJpeg> Files = TypableSignedJpegs();
        QVERIFY(Files.size() >= 5);
        BoxCloser Closer;
        bool Shot = false;
        for (const SignedJpeg& F : Files) {
            Choose(DataDir() + "/jpeg-signed/jpeg/" + F.Name + ".jpg");
            QCOMPARE(W->PanelColor(), clWhite);
            Verify(F.SiteCode);
            QCOMPARE(W->lblMessage->text(), QString("Original image file !!"));
            QCOMPARE(W->PanelColor(), clBlue);
            if (!Shot && F.Name.startsWith("signed_prog_422_photo")) {
                SaveShot("verdict-blue.png");
                Shot = true;
            }
            Verify(F.OtherSiteCode);
            QCOMPARE(W->lblMessage->text(), QString("Entire image changed or wrong SITE-CODE !!"));
            QCOMPARE(W->PanelColor(), clRed);
        }
        QVERIFY(Shot);

        // No signature at all.
        Choose(DataDir() + "/jpeg/jpeg/cs_jfif_ycbcr_photo72x48.jpg");
        Verify("SITE-42");
        QCOMPARE(W->PanelColor(), clRed);
        QCOMPARE(W->lblMessage->text(), QString("Entire image changed or wrong SITE-CODE !!"));
        SaveShot("verdict-red.png");
        QVERIFY(Closer.Boxes.empty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void verifyAvi() {
        BoxCloser Closer;
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(W->PanelColor(), clBlue);
        QCOMPARE(W->lblMessage->text(), QString("Original image file !!"));
        Verify("SITE-43");
        QCOMPARE(W->PanelColor(), clRed);
        Choose(DataDir() + "/avi/signed_payload_changed.avi");
        Verify("SITE-42");
        QCOMPARE(W->PanelColor(), clRed);
        QCOMPARE(W->lblMessage->text(), QString("Entire image changed or wrong SITE-CODE !!"));
        QVERIFY(Closer.Boxes.empty());
    }

    void messageBoxesAndFocus() {
        BoxCloser Closer;
        Verify("");
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Text, QString("Invalid group code"));
        QCOMPARE(Closer.Boxes[0].Icon, QMessageBox::NoIcon);
        QVERIFY(Closer.Boxes[0].OkOnly);
        QVERIFY(Closer.Boxes[0].Modal);
        QVERIFY(Closer.Boxes[0].CursorRestored);
        QCOMPARE(W->lblMessage->text(), QString());
        QCOMPARE(W->PanelColor(), clWhite);
        QCOMPARE(W->focusWidget(), W->edtMarkCode);

        // A typed path is not a chosen file.
        W->edtFileName->setText(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(Closer.Boxes.size(), size_t(2));
        QCOMPARE(Closer.Boxes[1].Text, QString("Invalid file"));
        QVERIFY(Closer.Boxes[1].CursorRestored);
        QCOMPARE(W->focusWidget(), W->edtFileName);

        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify(QString(256, 'x'));
        QCOMPARE(Closer.Boxes.size(), size_t(3));
        QCOMPARE(Closer.Boxes[2].Text, QString("Invalid group code"));
    }

    void temporaryFolderProblemsAreYellow() {
        BoxCloser Closer;
        Choose(DataDir() + "/avi/signed_mjpeg_pcm.avi");
        Verify("SITE-42");
        QCOMPARE(W->PanelColor(), clBlue);
        const QByteArray Old = qgetenv("TEMP");
        qputenv("TEMP", "/nonexistent/quillon/temp");
        Verify("SITE-42");
        if (Old.isNull())
            qunsetenv("TEMP");
        else
            qputenv("TEMP", Old);
        QCOMPARE(W->PanelColor(), clYellow);
        QCOMPARE(W->lblMessage->text(), QString("Original image file !!"));
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

        W->edtFileName->setText(AccessCode);
        W->edtFileNameButtonClick();
        BoxCloser Closer;
        for (const QString& Source : {Photo, Clip}) {
            Choose(Source);
            W->edtMarkCode->setText("SITE-42");
            QTest::mouseClick(W->btnSet, Qt::LeftButton);
        }
        QVERIFY(Closer.Boxes.empty());
        QVERIFY(QFile::exists(Photo + ".mod.jpg"));
        QVERIFY(QFile::exists(Clip + ".mod.avi"));

        for (const QString& Copy : {Photo + ".mod.jpg", Clip + ".mod.avi"}) {
            Choose(Copy);
            Verify("SITE-42");
            QCOMPARE(W->PanelColor(), clBlue);
        }
    }

    void failedSetSaysSo() {
        W->edtFileName->setText(AccessCode);
        W->edtFileNameButtonClick();
        BoxCloser Closer;
        W->edtMarkCode->setText("SITE-42");
        QTest::mouseClick(W->btnSet, Qt::LeftButton);
        QCOMPARE(Closer.Boxes.size(), size_t(1));
        QCOMPARE(Closer.Boxes[0].Text, QString::fromStdString(SigningFailedText(".mod.jpg")));
        QVERIFY(Closer.Boxes[0].OkOnly);
        QCOMPARE(W->lblMessage->text(), QString("Choose a file to verify."));
    }

    void closeEndsTheWindow() {
        QTest::mouseClick(W->btnClose, Qt::LeftButton);
        QVERIFY(!W->isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
