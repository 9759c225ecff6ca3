#include "caption_fit.h"

namespace quillon {

int FittingFontHeight(int Design, int Smallest, TTextSize Room,
                      const std::vector<std::string_view>& Texts, const TTextMeasure& Measure) {
    for (int Height = Design; Height > Smallest; --Height) {
        bool Fits = true;
        for (std::string_view Text : Texts) {
            const TTextSize Size = Measure(Height, Text);
            if (Size.Width > Room.Width || Size.Height > Room.Height) {
                Fits = false;
                break;
            }
        }
        if (Fits)
            return Height;
    }
    return Smallest;
}

} // namespace quillon
