// The main window's design layout, at 96 pixels per inch: where each control
// sits, what it says at start, and the texts it must show whole. Both windows
// (Qt and Win32) are built from this one table.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr int DesignDpi = 96;
inline constexpr int DesignClientWidth = 331;
inline constexpr int DesignClientHeight = 322;
// Character height of the design font, in pixels.
inline constexpr int DesignFontHeight = 12;
inline constexpr const char* DesignFontFace = "MS Sans Serif";
// Captions that do not fit at the design height may shrink down to this.
inline constexpr int SmallestFontHeight = 8;
// The browse button at the right end of the file-name field.
inline constexpr int BrowseButtonWidth = 18;

enum class TControl {
    EdtFileName,
    BtnVerify,
    EdtMarkCode,
    JvLabel1,
    Panel1,
    Image1,
    BtnSet,
    BtnClose,
    JvLabel2,
    LblMessage,
};

// How a control shows its caption, which decides the room the text has.
enum class TCaptionKind { None, Label, SunkenText, Button };

struct TDesignRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TDesignRect&) const = default;
};

struct TControlDesign {
    TControl Id;
    const char* Name;
    TDesignRect Rect; // in the client area; Image1's in Panel1
    const char* Caption;
    TCaptionKind Kind;
    bool VisibleAtStart;
    bool TabStop;
};

// Every control, in the order the window declares them, which is also the
// order of creation and of the tab stops.
const std::array<TControlDesign, 10>& DesignLayout();
const TControlDesign& DesignOf(TControl Id);

// Lengths and rectangles at Dpi pixels per inch, rounded to the nearest pixel.
int ScaledLength(int Length, int Dpi);
TDesignRect ScaledRect(const TDesignRect& Rect, int Dpi);

// Every text the control shows in its life and must show whole: its caption,
// and for the verdict line each verdict as well.
std::vector<std::string_view> TextsShownBy(TControl Id);

} // namespace quillon
