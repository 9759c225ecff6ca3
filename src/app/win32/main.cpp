// The program entry on Windows: one window, run until it is closed. A file
// named as the first argument (as the Explorer's "Verify with" entry passes
// it) is chosen at start, as if through the dialog.
#include "fMain.h"
#include "platform/wide_text.h"
#include "program_identity.h"

#include <windows.h>

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    quillon::TfrmMain frmMain;
    quillon::SetProgramIcon(frmMain.Handle());
    quillon::AddAboutEntry(frmMain.Handle());
    int Count = 0;
    if (wchar_t** Arguments = ::CommandLineToArgvW(::GetCommandLineW(), &Count)) {
        if (Count > 1)
            frmMain.ChooseFile(quillon::Utf8Text(Arguments[1]));
        ::LocalFree(Arguments);
    }
    frmMain.Show();
    quillon::RunMessageLoop(frmMain);
    return 0;
}
