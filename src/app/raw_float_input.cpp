#include "app/raw_float_input.h"

#include <locale.h>

#include <cmath>
#include <cstdlib>

namespace pellumir {

int64_t rawSizeFromText(const std::string& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    double value = cLocale ? strtod_l(text.c_str(), nullptr, cLocale) : std::atof(text.c_str());
    // Converting a double outside int64_t would be undefined; decide first.
    if (std::isnan(value)) return INT64_MIN;
    if (!(value < 0x1p63)) return INT64_MAX;
    if (!(value >= -0x1p63)) return INT64_MIN;
    return static_cast<int64_t>(value);  // truncates toward zero
}

RawFloatLayout rawFloatLayoutFromDialog(const std::string& widthText, const std::string& heightText,
                                        bool rgbChecked, bool swapChecked) {
    RawFloatLayout layout;
    layout.width = rawSizeFromText(widthText);
    layout.height = rawSizeFromText(heightText);
    layout.colour = rgbChecked;
    layout.swapBytes = swapChecked;
    return layout;
}

}  // namespace pellumir
