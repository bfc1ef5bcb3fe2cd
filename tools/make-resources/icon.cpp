#include "make-resources/icon.h"

#include <algorithm>
#include <cmath>

namespace pellumir {

namespace {

struct Colour {
    double r;
    double g;
    double b;
};

Colour mix(Colour a, Colour b, double f) {
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

double smoothStep(double edge0, double edge1, double v) {
    double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// The night room: a blue-slate wall darkening upwards, a warm dark floor.
constexpr Colour kWallTop = {0.06, 0.07, 0.13};
constexpr Colour kWallBottom = {0.16, 0.18, 0.28};
constexpr Colour kFloorNear = {0.20, 0.13, 0.09};
constexpr Colour kFloorFar = {0.13, 0.09, 0.08};
constexpr Colour kRim = {0.36, 0.40, 0.55};
// The shade in the room's green paint, lit from below at its rim.
constexpr Colour kShade = {0.14, 0.36, 0.29};
constexpr Colour kShadeLit = {0.30, 0.62, 0.50};
constexpr Colour kCord = {0.02, 0.02, 0.03};
constexpr Colour kBulb = {1.0, 0.98, 0.86};
constexpr Colour kLight = {1.0, 0.80, 0.42};

// Where everything is, in pixels of this size: the shapes are laid out on
// the unit square and their straight edges moved to whole pixels.
struct Layout {
    double size;
    double tileLow;   // the tile's left and top edge
    double tileHigh;  // its right and bottom edge
    double corner;    // radius of its rounded corners
    double rim;       // width of the light line around it
    double centre;    // the lamp's axis
    double horizon;   // where the floor meets the wall
    double shadeRim;  // the flat lower edge of the shade
    double shadeRadius;
    double bulbRadius;
    double bulbY;
    double cordHalf;  // 0: no cord (too small to read)
    double coneFloorHalf;
    double poolY;
    double poolHalfWidth;
    double poolHalfHeight;
};

Layout layoutFor(uint32_t size) {
    double s = size;
    auto snap = [s](double unit) { return std::round(unit * s); };
    Layout l{};
    l.size = s;
    l.tileLow = std::max(1.0, snap(1.0 / 32));
    l.tileHigh = s - l.tileLow;
    l.corner = 0.2 * (l.tileHigh - l.tileLow);
    l.rim = std::max(1.0, s / 64);
    // On an even size the axis falls between two pixels and the lamp's
    // parts are an even number of pixels wide, so both halves are sharp.
    l.centre = s / 2;
    l.horizon = snap(0.70);
    l.shadeRim = snap(0.42);
    l.shadeRadius = snap(0.22);
    // Below 32 pixels the bulb is a bright 2 x 2 block right under the rim.
    l.bulbRadius = size < 32 ? 1.3 : 0.065 * s;
    l.bulbY = size < 32 ? l.shadeRim + 1 : l.shadeRim + 0.02 * s;
    l.cordHalf = size >= 32 ? std::max(1.0, std::round(0.012 * s)) : 0;
    l.coneFloorHalf = 0.36 * s;
    l.poolY = snap(0.82);
    l.poolHalfWidth = 0.34 * s;
    l.poolHalfHeight = 0.09 * s;
    return l;
}

// Signed distance to the tile's outline: negative inside.
double tileDistance(const Layout& l, double x, double y) {
    double half = (l.tileHigh - l.tileLow) / 2;
    double mid = (l.tileHigh + l.tileLow) / 2;
    double qx = std::abs(x - mid) - (half - l.corner);
    double qy = std::abs(y - mid) - (half - l.corner);
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - l.corner;
}

// The icon at one point (in pixels), with its coverage: 0 outside the tile.
struct Sample {
    Colour colour;
    double alpha;
};

Sample sampleAt(const Layout& l, double x, double y) {
    double edge = tileDistance(l, x, y);
    if (edge > 0) return {{0, 0, 0}, 0};
    double s = l.size;
    double dx = x - l.centre;

    // The room.
    Colour c;
    if (y < l.horizon) {
        c = mix(kWallTop, kWallBottom, clamp01((y - l.tileLow) / (l.horizon - l.tileLow)));
    } else {
        c = mix(kFloorFar, kFloorNear, clamp01((y - l.horizon) / (l.tileHigh - l.horizon)));
    }

    // The cone of light under the shade, brightest near the lamp, and its
    // pool on the floor.
    if (y > l.shadeRim) {
        double along = (y - l.shadeRim) / (l.poolY - l.shadeRim);
        double half = l.shadeRadius + (l.coneFloorHalf - l.shadeRadius) * std::min(along, 1.0);
        double across = std::abs(dx) / half;
        if (across < 1) {
            double strength = 0.30 * (1 - 0.55 * std::min(along, 1.0)) * smoothStep(1, 0.8, across);
            c = mix(c, kLight, strength);
        }
    }
    double px = dx / l.poolHalfWidth;
    double py = (y - l.poolY) / l.poolHalfHeight;
    double pool = px * px + py * py;
    if (pool < 1) c = mix(c, kLight, 0.55 * smoothStep(1, 0.25, pool));

    // The cord, from the top of the tile to the shade.
    if (l.cordHalf > 0 && std::abs(dx) < l.cordHalf && y < l.shadeRim) c = kCord;

    // The shade: the upper half of a disc, lit towards its rim.
    double sy = y - l.shadeRim;
    if (sy < 0 && dx * dx + sy * sy < l.shadeRadius * l.shadeRadius) {
        c = mix(kShade, kShadeLit, smoothStep(-0.35 * l.shadeRadius, 0, sy));
    }

    // The bulb, just below the rim, and its glow over everything.
    double bx = dx;
    double by = y - l.bulbY;
    double bulbDistance = std::sqrt(bx * bx + by * by);
    double glowReach = 0.34 * s;
    if (bulbDistance < glowReach) {
        double g = 1 - bulbDistance / glowReach;
        // Not above the shade: it hides the bulb there.
        double hidden = y < l.shadeRim && std::abs(dx) < l.shadeRadius ? 0.15 : 1.0;
        c = mix(c, kLight, 0.9 * g * g * hidden);
    }
    if (bulbDistance < l.bulbRadius) c = kBulb;

    // A light line just inside the outline keeps the dark tile apart from
    // a dark panel behind it.
    if (edge > -l.rim) c = mix(c, kRim, l.size < 32 ? 0.4 : 0.6);
    return {c, 1};
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255));
}

}  // namespace

RgbaPicture drawIcon(uint32_t size) {
    RgbaPicture picture;
    if (size == 0) return picture;
    Layout l = layoutFor(size);
    picture.width = size;
    picture.height = size;
    picture.pixels.resize(size_t{size} * size * 4);
    constexpr double weight = 1.0 / (kIconSamples * kIconSamples);
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            // Premultiplied sums, so that the part of a pixel outside the
            // tile does not darken its colour.
            double r = 0;
            double g = 0;
            double b = 0;
            double a = 0;
            for (uint32_t sy = 0; sy < kIconSamples; ++sy) {
                for (uint32_t sx = 0; sx < kIconSamples; ++sx) {
                    Sample s =
                        sampleAt(l, x + (sx + 0.5) / kIconSamples, y + (sy + 0.5) / kIconSamples);
                    r += s.colour.r * s.alpha;
                    g += s.colour.g * s.alpha;
                    b += s.colour.b * s.alpha;
                    a += s.alpha;
                }
            }
            uint8_t* out = &picture.pixels[(size_t{y} * size + x) * 4];
            if (a > 0) {
                out[0] = toByte(r / a);
                out[1] = toByte(g / a);
                out[2] = toByte(b / a);
            }
            out[3] = toByte(a * weight);
        }
    }
    return picture;
}

}  // namespace pellumir
