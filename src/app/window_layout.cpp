#include "window_layout.h"

#include "main_window_logic.h"

#include "engine/verdict_text.h"

#include <stdexcept>

namespace quillon {

const std::array<TControlDesign, 10>& DesignLayout() {
    using enum TControl;
    using enum TCaptionKind;
    static const std::array<TControlDesign, 10> Layout{{
        {EdtFileName, "edtFileName", {8, 8, 249, 21}, "", None, true, true},
        {BtnVerify, "btnVerify", {160, 36, 75, 25}, "Verify", Button, true, true},
        {EdtMarkCode, "edtMarkCode", {64, 36, 89, 21}, "", None, true, true},
        {JvLabel1, "JvLabel1", {8, 40, 48, 13}, "Site Code", Label, true, false},
        {Panel1, "Panel1", {0, 104, 329, 217}, "", None, true, false},
        {Image1, "Image1", {3, 3, 319, 207}, "", None, true, false},
        {BtnSet, "btnSet", {288, 4, 39, 25}, "Set", Button, false, true},
        {BtnClose, "btnClose", {240, 36, 75, 25}, "Close", Button, true, true},
        {JvLabel2, "JvLabel2", {8, 72, 45, 13}, "Message", Label, true, false},
        {LblMessage, "lblMessage", {64, 72, 265, 17}, TextChooseFile, SunkenText, true, false},
    }};
    return Layout;
}

const TControlDesign& DesignOf(TControl Id) {
    for (const TControlDesign& C : DesignLayout())
        if (C.Id == Id)
            return C;
    throw std::logic_error("control missing from the design layout");
}

int ScaledLength(int Length, int Dpi) {
    // Rounded half away from zero, as the system scales dialog units.
    const long long Product = static_cast<long long>(Length) * Dpi;
    const long long Half = DesignDpi / 2;
    return static_cast<int>(Product >= 0 ? (Product + Half) / DesignDpi
                                         : -((-Product + Half) / DesignDpi));
}

TDesignRect ScaledRect(const TDesignRect& Rect, int Dpi) {
    // Edges are scaled, not sizes, so neighbours that touch keep touching.
    const int Left = ScaledLength(Rect.Left, Dpi);
    const int Top = ScaledLength(Rect.Top, Dpi);
    return {Left, Top, ScaledLength(Rect.Left + Rect.Width, Dpi) - Left,
            ScaledLength(Rect.Top + Rect.Height, Dpi) - Top};
}

std::vector<std::string_view> TextsShownBy(TControl Id) {
    std::vector<std::string_view> Texts{DesignOf(Id).Caption};
    if (Id == TControl::LblMessage) {
        Texts.emplace_back(TextOriginal);
        Texts.emplace_back(TextChanged);
    }
    return Texts;
}

} // namespace quillon
