// What the main window's logic needs of the window system. The Qt window
// implements it; the tests implement it with a recorder.
#pragma once

#include "codec/jpeg/jpeg_render.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

// 24-bit colours, 0x00BBGGRR.
using TColor = uint32_t;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clWhite = 0xFFFFFF;

struct TPixelSize {
    int Width = 0;
    int Height = 0;
};

// The program-wide screen cursor.
enum TCursor : int32_t { crDefault = 0, crHourGlass = -11 };

// Text crosses this interface as UTF-8.
class IMainView {
  public:
    virtual ~IMainView() = default;

    virtual std::string FileNameText() const = 0;
    virtual void SetFileNameText(const std::string& Text) = 0;
    virtual std::string MarkCodeText() const = 0;
    virtual void ShowSetButton() = 0;

    // Runs the open-file dialog modally, opening with Previous; nullopt when cancelled.
    virtual std::optional<std::string> RunOpenDialog(const std::string& Previous) = 0;

    // Image1 takes the picture's own size.
    virtual void SetPicture(const TRenderedImage& Picture) = 0;
    // Image1 takes Width x Height and shows Caption on a neutral ground
    // instead of a picture.
    virtual void SetPlaceholder(const std::string& Caption, int Width, int Height) = 0;
    virtual int ImageWidth() const = 0;
    virtual int ImageHeight() const = 0;

    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Keeps the top-left corner where it is unless the window would then
    // reach past the screen's work area; then it moves just onto it.
    virtual void SetClientSize(int Width, int Height) = 0;
    // The largest client area the work area of the window's screen holds.
    virtual TPixelSize ClientRoom() const = 0;
    // Tells the user a preview is shown at Percent of its size (100: whole).
    virtual void ShowScale(int Percent) = 0;

    virtual int PanelWidth() const = 0;
    virtual int PanelHeight() const = 0;

    virtual void SetPanelSize(int Width, int Height) = 0;
    virtual void SetPanelColor(TColor Color) = 0;
    virtual void SetMessageText(const std::string& Text) = 0;

    // Modal, centred, OK only, no icon.
    virtual void ShowMessage(const std::string& Text) = 0;
    // Modal, OK only, with an error icon.
    virtual void ShowError(const std::string& Text) = 0;

    virtual void SetCursor(TCursor Cursor) = 0;
    virtual void FocusFileName() = 0;
    virtual void FocusMarkCode() = 0;
    virtual void CloseWindow() = 0;
};

} // namespace quillon
