// The program entry: one window, run until it is closed.
#include "fMain.h"
#include "program_identity.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    quillon::TfrmMain frmMain;
    quillon::SetProgramIcon(frmMain);
    quillon::AddAboutEntry(frmMain);
    frmMain.show();
    App.exec();
    return 0;
}
