#include "platform/qt/dialog_units.h"

namespace pellumir {

namespace {

constexpr int kBaseWidth = 6;    // pixels per 4 horizontal units
constexpr int kBaseHeight = 13;  // pixels per 8 vertical units

// units * base / divisor, rounded half away from zero.
int scaled(int units, int base, int divisor) {
    long long product = static_cast<long long>(units) * base;
    long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

int dialogUnitsAcross(int units) {
    return scaled(units, kBaseWidth, 4);
}

int dialogUnitsDown(int units) {
    return scaled(units, kBaseHeight, 8);
}

QRect dialogUnitRect(int x, int y, int width, int height) {
    int left = dialogUnitsAcross(x);
    int top = dialogUnitsDown(y);
    return {left, top, dialogUnitsAcross(x + width) - left, dialogUnitsDown(y + height) - top};
}

QSize dialogUnitSize(int width, int height) {
    return {dialogUnitsAcross(width), dialogUnitsDown(height)};
}

}  // namespace pellumir
