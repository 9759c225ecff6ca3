// The program entry: one window, run until it is closed. A file named as the
// first argument is chosen at start, as if through the dialog.
#include "fMain.h"
#include "program_identity.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The design's pixels follow the screen's scale, fractional ones too.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication App(argc, argv);
    quillon::TfrmMain frmMain;
    quillon::SetProgramIcon(frmMain);
    quillon::AddAboutEntry(frmMain);
    const QStringList Arguments = QApplication::arguments();
    if (Arguments.size() > 1)
        frmMain.ChooseFile(Arguments[1]);
    frmMain.show();
    App.exec();
    return 0;
}
