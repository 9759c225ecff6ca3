// A single-line edit field with a browse button inside its right end.
#pragma once

#include <QLineEdit>

class QAction;

namespace quillon {

class TComboEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TComboEdit(QWidget* Parent = nullptr);

    // The browse action; its button sits inside the field.
    QAction* Button() const { return FButton; }

  signals:
    // A click on the browse button, or Alt+Down in the field.
    void buttonClick();

  protected:
    void keyPressEvent(QKeyEvent* Event) override;

  private:
    QAction* FButton;
};

// The 14 x 12 open-folder glyph of the browse button.
QPixmap OpenFolderGlyph();

} // namespace quillon
