#include "combo_edit.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace quillon {

QPixmap OpenFolderGlyph() {
    QPixmap Glyph(14, 12);
    Glyph.fill(Qt::transparent);
    QPainter P(&Glyph);
    const QColor Outline(0, 0, 0);
    const QColor Back(128, 128, 0);
    const QColor Front(255, 255, 0);
    // The folder's back with its tab.
    P.setPen(Outline);
    P.setBrush(Back);
    P.drawPolygon(QPolygon({{0, 1}, {4, 1}, {5, 2}, {10, 2}, {10, 4}, {0, 11}}));
    // The opened front flap, tilted toward the viewer.
    P.setBrush(Front);
    P.drawPolygon(QPolygon({{0, 11}, {3, 5}, {13, 5}, {10, 11}}));
    return Glyph;
}

TComboEdit::TComboEdit(QWidget* Parent) : QLineEdit(Parent) {
    FButton = addAction(QIcon(OpenFolderGlyph()), QLineEdit::TrailingPosition);
    FButton->setObjectName("edtFileNameButton");
    FButton->setToolTip(tr("Browse"));
    connect(FButton, &QAction::triggered, this, &TComboEdit::buttonClick);
    // The button is reached by mouse or Alt+Down, never by Tab.
    for (QToolButton* B : findChildren<QToolButton*>())
        B->setFocusPolicy(Qt::NoFocus);
}

void TComboEdit::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Down && Event->modifiers() == Qt::AltModifier) {
        emit buttonClick();
        Event->accept();
        return;
    }
    QLineEdit::keyPressEvent(Event);
}

} // namespace quillon
