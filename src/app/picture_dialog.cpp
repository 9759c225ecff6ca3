#include "picture_dialog.h"

#include "dialog_filter.h"
#include "qt_image.h"

#include <QGridLayout>
#include <QLabel>

namespace quillon {

namespace {
constexpr int PreviewSide = 160;
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* Parent) : QFileDialog(Parent) {
    setObjectName("OpenPictureDialog1");
    setOption(QFileDialog::DontUseNativeDialog);
    // The labels are shown exactly as written; the patterns ride behind them.
    setOption(QFileDialog::HideNameFilterDetails);
    // No validation of the typed name: the file need not exist.
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setSizeGripEnabled(true);

    QStringList Filters;
    for (const TFilterPair& Pair : ParseDialogFilter(PictureDialogFilter))
        Filters << QString::fromStdString(ToolkitNameFilter(Pair));
    setNameFilters(Filters);

    FPreview = new QLabel(this);
    FPreview->setObjectName("Preview");
    FPreview->setFixedSize(PreviewSide, PreviewSide);
    FPreview->setAlignment(Qt::AlignCenter);
    FPreview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (auto* Grid = qobject_cast<QGridLayout*>(layout()))
        Grid->addWidget(FPreview, 1, Grid->columnCount(), Grid->rowCount() - 1, 1);

    connect(this, &QFileDialog::currentChanged, this, &TOpenPictureDialog::UpdatePreview);
}

void TOpenPictureDialog::Prepare(const QString& Previous) {
    selectNameFilter(nameFilters().value(0));
    if (!Previous.isEmpty())
        selectFile(Previous);
    UpdatePreview(Previous);
}

QString TOpenPictureDialog::ChosenPath() const {
    const QStringList Files = selectedFiles();
    return Files.isEmpty() ? QString() : Files.first();
}

void TOpenPictureDialog::UpdatePreview(const QString& Path) {
    FPreview->clear();
    const QByteArray Local = Path.toLocal8Bit();
    if (!IsPreviewedPicture(std::string_view(Local.constData(), Local.size())))
        return;
    try {
        const QImage Picture = ToQImage(RenderJpegFile(Local.toStdString()));
        FPreview->setPixmap(
            QPixmap::fromImage(Picture.width() > PreviewSide || Picture.height() > PreviewSide
                                   ? Picture.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio,
                                                    Qt::SmoothTransformation)
                                   : Picture));
    } catch (const std::exception&) {
        // A file that does not decode simply shows no preview.
    }
}

} // namespace quillon
