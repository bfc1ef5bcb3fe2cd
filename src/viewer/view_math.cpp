#include "viewer/view_math.h"

#include <cmath>

namespace pellumir {

namespace {

// View coordinates are 32-bit. Zooming in doubles the origin and a long pan
// adds up, so each result is formed in 64 bits and held at the 32-bit
// limits, where the picture is far out of sight, instead of wrapping round
// to the other side.
int32_t saturated(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t saturated(double value) {
    if (!(value >= static_cast<double>(INT32_MIN))) return INT32_MIN;
    if (value > static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t pixelUnder(int32_t client, int32_t origin, float zoom) {
    // Both coordinates are exact in double, and so is their difference.
    double distance = static_cast<double>(client) - static_cast<double>(origin);
    return saturated(std::floor(distance / static_cast<double>(zoom)));
}

Point originZoomedIn(Point origin, Point about) {
    return {saturated(2 * int64_t{origin.x} - about.x), saturated(2 * int64_t{origin.y} - about.y)};
}

Point originZoomedOut(Point origin, Point about) {
    // The result lies between origin and about, so it always fits.
    return {saturated(about.x + (int64_t{origin.x} - about.x) / 2),
            saturated(about.y + (int64_t{origin.y} - about.y) / 2)};
}

Point originPanned(Point panOrigin, Point panAnchor, Point cursor) {
    return {saturated(int64_t{panOrigin.x} + cursor.x - panAnchor.x),
            saturated(int64_t{panOrigin.y} + cursor.y - panAnchor.y)};
}

}  // namespace pellumir
