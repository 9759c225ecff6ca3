#include "program_identity.h"

#include "about.h"

#include <QAction>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>

#include <utility>

namespace quillon {

void SetProgramIcon(QWidget& Window) {
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));
    const QIcon Icon = QIcon::fromTheme(QStringLiteral("quillon"));
    if (!Icon.isNull())
        Window.setWindowIcon(Icon);
}

void AddAboutEntry(QWidget& Window, std::function<void(const QString& Text)> Show) {
    if (!Show) {
        Show = [&Window](const QString& Text) {
            QMessageBox::about(&Window, QStringLiteral("About Quillon"), Text);
        };
    }
    auto* About = new QAction(QStringLiteral("About Quillon..."), &Window);
    About->setObjectName(QStringLiteral("actAbout"));
    QObject::connect(About, &QAction::triggered, &Window, [Show = std::move(Show)] {
        Show(QString::fromStdString(AboutText()));
    });
    Window.addAction(About);
    Window.setContextMenuPolicy(Qt::ActionsContextMenu);
}

} // namespace quillon
