// The Open dialog of the window system, with the window's picture filter and
// a preview pane that draws the chosen JPEG through our renderer.
#pragma once

#include <optional>
#include <string>

struct HWND__;
struct HBITMAP__;

namespace quillon {

// The filter as the dialog takes it: label and patterns, each ended by a
// NUL, and one more NUL at the end.
std::wstring OpenDialogFilter();

// The picture in the preview pane.
class TPreviewPane {
  public:
    TPreviewPane() = default;
    ~TPreviewPane();
    TPreviewPane(const TPreviewPane&) = delete;
    TPreviewPane& operator=(const TPreviewPane&) = delete;

    // Path (UTF-8) scaled to fit Width x Height when it is a JPEG picture
    // that decodes; nothing otherwise.
    void Show(const std::string& Path, int Width, int Height);
    HBITMAP__* Bitmap() const { return FBitmap; }
    int PictureWidth() const { return FWidth; }
    int PictureHeight() const { return FHeight; }

  private:
    void Clear();

    HBITMAP__* FBitmap = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

// Runs the dialog modally over Owner, opening with Previous as its file
// name; the chosen file's full path, or nothing when cancelled.
std::optional<std::string> RunOpenPictureDialog(HWND__* Owner, const std::string& Previous);

} // namespace quillon
