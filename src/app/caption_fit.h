// Captions are drawn whole: where the design font is too wide or too tall for
// a control's rectangle (another face stands in for it), a smaller height of
// the same face is taken.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace quillon {

struct TTextSize {
    int Width = 0;
    int Height = 0;
};

// The extent of Text in the window's face at a character height in pixels.
using TTextMeasure = std::function<TTextSize(int FontHeight, std::string_view Text)>;

// The largest character height from Design down to Smallest at which every
// one of Texts measures within Room; Smallest when none does.
int FittingFontHeight(int Design, int Smallest, TTextSize Room,
                      const std::vector<std::string_view>& Texts, const TTextMeasure& Measure);

} // namespace quillon
