// The Qt window's About entry: on the window's context menu, reached by a
// right click on the window, showing the version of this build.
#include "fMain.h"
#include "program_identity.h"
#include "version/version.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

using namespace quillon;

class ProgramIdentityTest : public QObject {
    Q_OBJECT

  private slots:
    void aboutEntryShowsTheVersion() {
        TfrmMain Window;
        QStringList Shown;
        AddAboutEntry(Window, [&](const QString& Text) { Shown << Text; });
        QCOMPARE(Window.contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(Window.actions().size(), 1);
        QAction* About = Window.actions().first();
        QCOMPARE(About->text(), QString("About Quillon..."));
        About->trigger();
        QCOMPARE(Shown.size(), 1);
        const QString Head = "Quillon " + QString::fromUtf8(QuillonVersion().data(),
                                                             int(QuillonVersion().size()));
        QVERIFY2(Shown[0].startsWith(Head + "\n"), qPrintable(Shown[0]));
    }

    // A right click on a control without a menu of its own (the message line)
    // reaches the window's menu, which offers the entry.
    void rightClickOnTheWindowOffersTheEntry() {
        TfrmMain Window;
        AddAboutEntry(Window, [](const QString&) {});
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
        auto* Label = Window.findChild<QLabel*>("lblMessage");
        QVERIFY(Label != nullptr);

        QStringList Offered;
        QTimer::singleShot(0, [&] {
            if (auto* Menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* A : Menu->actions())
                    Offered << A->text();
                Menu->close();
            }
        });
        QContextMenuEvent Event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                Label->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Label, &Event);
        QCOMPARE(Offered, QStringList{"About Quillon..."});
    }
};

QTEST_MAIN(ProgramIdentityTest)
#include "program_identity_test.moc"
