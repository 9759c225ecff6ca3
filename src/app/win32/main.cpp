// The program entry on Windows: one window, run until it is closed.
#include "fMain.h"
#include "program_identity.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    quillon::TfrmMain frmMain;
    quillon::SetProgramIcon(frmMain.Handle());
    quillon::AddAboutEntry(frmMain.Handle());
    frmMain.Show();
    quillon::RunMessageLoop(frmMain);
    return 0;
}
