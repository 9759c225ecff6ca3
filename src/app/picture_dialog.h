// The open-file dialog with a picture preview pane. Qt's own dialog is used
// because a native one cannot take the pane.
#pragma once

#include <QFileDialog>

class QLabel;

namespace quillon {

class TOpenPictureDialog : public QFileDialog {
    Q_OBJECT
  public:
    explicit TOpenPictureDialog(QWidget* Parent = nullptr);

    // Readies the dialog for a run: first filter selected, Previous as the file name.
    void Prepare(const QString& Previous);
    // The chosen file's full path after an accepted run.
    QString ChosenPath() const;

    QLabel* Preview() const { return FPreview; }
    // Draws Path in the pane when it is a JPEG picture; empties it otherwise.
    void UpdatePreview(const QString& Path);

  private:
    QLabel* FPreview;
};

} // namespace quillon
