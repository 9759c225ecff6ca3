// What tells the Qt window apart: the program's icon and desktop entry, and an
// "About Quillon" entry that shows the version. Qt reaches no window manager's
// system menu, so the entry is the window's context menu (a right click on the
// window outside the edit fields).
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace quillon {

// The icon from the desktop's theme (installed as "quillon"), and the name of
// the desktop entry, which lets the desktop match the window to it.
void SetProgramIcon(QWidget& Window);

// Adds "About Quillon..." to Window's context menu; choosing it passes
// AboutText() to Show, by default a message box over the window.
void AddAboutEntry(QWidget& Window, std::function<void(const QString& Text)> Show = {});

} // namespace quillon
