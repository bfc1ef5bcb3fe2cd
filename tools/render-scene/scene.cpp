#include "render-scene/scene.h"

#include <algorithm>
#include <cmath>

namespace pellumir {

namespace {

// Everything is analytic: one ray per pixel from the eye, intersected with
// planes, boxes, upright cylinders and spheres, and shaded with point lights,
// the sun and the window. No random numbers and no iteration, so the result
// depends on (u, v, aspect) alone, and 8000 x 6000 renders in seconds.

struct Vec {
    double x;
    double y;
    double z;
};

constexpr Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec operator*(Vec a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
constexpr double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
// Component by component, for colours.
constexpr Vec mul(Vec a, Vec b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
constexpr Vec mix(Vec a, Vec b, double f) {
    return a * (1 - f) + b * f;
}
constexpr double clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// The room, in metres: x to the right, y up, z towards the viewer.
constexpr double kLeftWall = -2.0;
constexpr double kRightWall = 2.0;
constexpr double kFloor = 0.0;
constexpr double kCeiling = 2.7;
constexpr double kBackWall = -6.0;

// The eye looks straight down -z, so that upright edges stay upright.
constexpr Vec kEye = {0.35, 1.35, 0.4};
// Tangent of half the vertical field of view; the horizontal one follows
// from the aspect, so a wider picture shows more of the room.
constexpr double kHalfFieldTan = 0.62;

struct Box {
    Vec low;
    Vec high;
};

constexpr Box kTableTop = {{-0.1, 0.70, -4.0}, {1.3, 0.75, -2.9}};
constexpr double kLegInset = 0.06;
constexpr double kLegSize = 0.06;
constexpr Box kLegs[4] = {
    {{-0.1 + kLegInset, 0.0, -4.0 + kLegInset},
     {-0.1 + kLegInset + kLegSize, 0.70, -4.0 + kLegInset + kLegSize}},
    {{1.3 - kLegInset - kLegSize, 0.0, -4.0 + kLegInset},
     {1.3 - kLegInset, 0.70, -4.0 + kLegInset + kLegSize}},
    {{-0.1 + kLegInset, 0.0, -2.9 - kLegInset - kLegSize},
     {-0.1 + kLegInset + kLegSize, 0.70, -2.9 - kLegInset}},
    {{1.3 - kLegInset - kLegSize, 0.0, -2.9 - kLegInset - kLegSize},
     {1.3 - kLegInset, 0.70, -2.9 - kLegInset}},
};
constexpr Box kShelf = {{1.72, 1.22, -5.0}, {2.0, 1.27, -3.6}};
constexpr Box kBooks = {{1.78, 1.27, -4.9}, {1.98, 1.50, -4.25}};
constexpr double kBookWidth = 0.05;
constexpr Box kTableBound = {{kTableTop.low.x, kFloor, kTableTop.low.z}, kTableTop.high};
constexpr Box kShelfBound = {kShelf.low, {kShelf.high.x, kBooks.high.y, kShelf.high.z}};

// A bulb: a small glowing sphere that lights the room as a point.
struct Lamp {
    Vec position;
    double radius;
    Vec intensity;  // irradiance at one metre, facing the bulb
};

constexpr Lamp kLamps[3] = {
    {{0.6, 2.0, -3.45}, 0.07, {2.2, 1.75, 1.15}},   // pendant over the table
    {{1.35, 1.85, -5.9}, 0.05, {1.2, 0.95, 0.6}},   // sconce on the back wall
    {{1.45, 1.55, -2.3}, 0.06, {0.9, 0.68, 0.42}},  // floor lamp by the right wall
};
// Radiance of a bulb's centre per unit of intensity: the bulbs are by far
// the brightest things in the picture.
constexpr double kBulbGain = 2500.0;
// A faint halo around each bulb, as in a slightly hazy room or a lens. It
// fades smoothly to nothing at kHaloReach from the bulb.
constexpr double kHaloStrength = 0.35;
constexpr double kHaloReach = 0.35;
// The part of a bulb that casts shadows: small, so shadows are nearly hard.
constexpr double kFilamentRadius = 0.015;

// The pendant hangs in a dome-shaped shade: a sphere around the bulb, cut
// open just below the bulb's middle. Nothing above the rim sees the bulb,
// which leaves the ceiling and the tops of the walls to the other lights.
constexpr Vec kShadeCentre = kLamps[0].position;
constexpr double kShadeRadius = 0.16;
constexpr double kShadeRim = kShadeCentre.y - 0.02;
// Over this range of the direction's height the rim's shadow fades in, the
// bulb not being a point.
constexpr double kShadeSoftness = 0.04;
constexpr Vec kShadePaint = {0.12, 0.3, 0.24};
constexpr Vec kShadeLining = {0.9, 0.88, 0.8};

// Upright rods: the pendant's cord and the floor lamp's pole.
struct Rod {
    double x;
    double z;
    double radius;
    double bottom;
    double top;
};
// They end at the shade and the bulb, so that they never cross them.
constexpr Rod kRods[2] = {
    {kShadeCentre.x, kShadeCentre.z, 0.008, kShadeCentre.y + kShadeRadius, kCeiling},
    {kLamps[2].position.x, kLamps[2].position.z, 0.015, kFloor,
     kLamps[2].position.y - kLamps[2].radius},
};

// The window in the left wall: the opening, its frame and a cross of bars.
constexpr double kWindowBottom = 0.85;
constexpr double kWindowTop = 2.25;
constexpr double kWindowBack = -4.6;
constexpr double kWindowFront = -2.6;
constexpr double kFrame = 0.06;
constexpr double kBar = 0.02;  // half the width of a bar
constexpr double kBarY = 1.55;
constexpr double kBarZ = -3.6;
constexpr Vec kWindowCentre = {kLeftWall, (kWindowBottom + kWindowTop) / 2,
                               (kWindowBack + kWindowFront) / 2};
constexpr double kWindowArea = (kWindowTop - kWindowBottom) * (kWindowFront - kWindowBack);

// Daylight: the sky seen through the window, its light on the room (the
// window as one soft source) and the sun through the panes.
constexpr Vec kZenith = {1.2, 2.0, 3.8};
constexpr Vec kHorizon = {4.8, 5.2, 5.8};
constexpr Vec kGrass = {0.45, 0.6, 0.25};
constexpr Vec kHaze = {2.2, 2.5, 2.8};
constexpr Vec kWindowLight = {2.4, 2.9, 3.6};
// Towards the sun: from the left, high, and a little from behind the eye.
constexpr Vec kToSun = {-0.7584, 0.5478, 0.3529};
constexpr Vec kSunlight = {6.5, 6.0, 5.0};

// Light that has bounced around the room, before the corners darken it.
constexpr Vec kAmbient = {0.03, 0.027, 0.024};

constexpr Vec kWallPaint = {0.72, 0.66, 0.58};
constexpr Vec kCeilingPaint = {0.8, 0.8, 0.78};
constexpr Vec kWood = {0.42, 0.26, 0.14};
constexpr double kBoardWidth = 0.16;
constexpr double kSeamWidth = 0.012;
constexpr Vec kTableWood = {0.3, 0.17, 0.09};
constexpr Vec kShelfPaint = {0.55, 0.55, 0.58};
constexpr Vec kFramePaint = {0.85, 0.85, 0.82};
constexpr Vec kRodColour = {0.05, 0.05, 0.05};
constexpr Vec kBookColours[4] = {
    {0.6, 0.1, 0.08}, {0.1, 0.25, 0.5}, {0.75, 0.65, 0.3}, {0.15, 0.4, 0.2}};

// A painting on the back wall: a sunset over the sea in a dark frame.
constexpr double kPaintingLeft = -1.45;
constexpr double kPaintingRight = -0.35;
constexpr double kPaintingBottom = 1.05;
constexpr double kPaintingTop = 1.75;
constexpr double kPaintingFrame = 0.04;
constexpr double kPaintingSea = 1.28;

enum class Surface {
    backWall,
    leftWall,
    rightWall,
    floor,
    ceiling,
    table,
    shelf,
    books,
    rod,
    shadeOutside,
    shadeInside,
};

struct Hit {
    double t;  // the point is kEye + d * t
    Vec normal;
    Surface surface;
};

uint32_t hash(int64_t n) {
    auto h = static_cast<uint32_t>(n) * 0x9e3779b1u;
    h ^= h >> 15;
    h *= 0x85ebca77u;
    h ^= h >> 13;
    return h;
}

Hit traceRoom(Vec d) {
    Hit hit = {kEye.z - kBackWall, {0, 0, 1}, Surface::backWall};
    auto consider = [&](double t, Vec normal, Surface surface) {
        if (t > 0 && t < hit.t) hit = {t, normal, surface};
    };
    if (d.x < 0) consider((kLeftWall - kEye.x) / d.x, {1, 0, 0}, Surface::leftWall);
    if (d.x > 0) consider((kRightWall - kEye.x) / d.x, {-1, 0, 0}, Surface::rightWall);
    if (d.y < 0) consider((kFloor - kEye.y) / d.y, {0, 1, 0}, Surface::floor);
    if (d.y > 0) consider((kCeiling - kEye.y) / d.y, {0, -1, 0}, Surface::ceiling);
    return hit;
}

// Slab test against a box from the eye; `inverse` holds 1 / d per axis.
void traceBox(const Box& box, Vec d, Vec inverse, Surface surface, Hit& hit) {
    double x0 = (box.low.x - kEye.x) * inverse.x;
    double x1 = (box.high.x - kEye.x) * inverse.x;
    double y0 = (box.low.y - kEye.y) * inverse.y;
    double y1 = (box.high.y - kEye.y) * inverse.y;
    double z0 = (box.low.z - kEye.z) * inverse.z;
    double z1 = (box.high.z - kEye.z) * inverse.z;
    double nearX = std::min(x0, x1);
    double nearY = std::min(y0, y1);
    double nearZ = std::min(z0, z1);
    double enter = std::max(nearX, std::max(nearY, nearZ));
    double leave = std::min(std::max(x0, x1), std::min(std::max(y0, y1), std::max(z0, z1)));
    if (!(enter <= leave) || enter <= 0 || enter >= hit.t) return;
    Vec normal = {0, 0, 0};
    if (enter == nearX) {
        normal.x = d.x > 0 ? -1 : 1;
    } else if (enter == nearY) {
        normal.y = d.y > 0 ? -1 : 1;
    } else {
        normal.z = d.z > 0 ? -1 : 1;
    }
    hit = {enter, normal, surface};
}

void traceRod(const Rod& rod, Vec d, Hit& hit) {
    double ox = kEye.x - rod.x;
    double oz = kEye.z - rod.z;
    double a = d.x * d.x + d.z * d.z;
    double b = ox * d.x + oz * d.z;
    double c = ox * ox + oz * oz - rod.radius * rod.radius;
    double discriminant = b * b - a * c;
    if (discriminant < 0) return;
    double t = (-b - std::sqrt(discriminant)) / a;
    double y = kEye.y + d.y * t;
    if (t <= 0 || t >= hit.t || y < rod.bottom || y > rod.top) return;
    Vec normal = {(ox + d.x * t) / rod.radius, 0, (oz + d.z * t) / rod.radius};
    hit = {t, normal, Surface::rod};
}

// The near side of the sphere where it lies above the rim is the shade's
// outside; where the near side is open, the far side shows its lining.
void traceShade(Vec d, Hit& hit) {
    Vec o = kEye - kShadeCentre;
    double a = dot(d, d);
    double b = dot(o, d);
    double discriminant = b * b - a * (dot(o, o) - kShadeRadius * kShadeRadius);
    if (discriminant < 0) return;
    double root = std::sqrt(discriminant);
    double t = (-b - root) / a;
    Surface surface = Surface::shadeOutside;
    if (kEye.y + d.y * t < kShadeRim) {
        t = (-b + root) / a;
        surface = Surface::shadeInside;
        if (kEye.y + d.y * t < kShadeRim) return;
    }
    if (t <= 0 || t >= hit.t) return;
    Vec normal = (o + d * t) * (1 / kShadeRadius);
    hit = {t, surface == Surface::shadeInside ? normal * -1 : normal, surface};
}

void traceFurniture(Vec d, Hit& hit) {
    Vec inverse = {1 / d.x, 1 / d.y, 1 / d.z};
    // Most rays miss the table and the shelf altogether: one test each for
    // the box around all of their parts.
    Hit bound = hit;
    traceBox(kTableBound, d, inverse, Surface::table, bound);
    if (bound.t < hit.t) {
        traceBox(kTableTop, d, inverse, Surface::table, hit);
        for (const Box& leg : kLegs) {
            traceBox(leg, d, inverse, Surface::table, hit);
        }
    }
    bound = hit;
    traceBox(kShelfBound, d, inverse, Surface::shelf, bound);
    if (bound.t < hit.t) {
        traceBox(kShelf, d, inverse, Surface::shelf, hit);
        traceBox(kBooks, d, inverse, Surface::books, hit);
    }
    for (const Rod& rod : kRods) {
        traceRod(rod, d, hit);
    }
    traceShade(d, hit);
}

bool inWindowOpening(double y, double z) {
    return y > kWindowBottom && y < kWindowTop && z > kWindowBack && z < kWindowFront;
}

// Glass, as opposed to the frame and the bars.
bool inWindowPane(double y, double z) {
    return y > kWindowBottom + kFrame && y < kWindowTop - kFrame && z > kWindowBack + kFrame &&
           z < kWindowFront - kFrame && std::abs(y - kBarY) > kBar && std::abs(z - kBarZ) > kBar;
}

// What is seen through the window along d: sky above the horizon, fields
// fading into haze below it.
Vec outdoors(Vec d) {
    double elevation = d.y / std::sqrt(dot(d, d));
    if (elevation >= 0) return mix(kHorizon, kZenith, clamp01(elevation / 0.6));
    double distance = clamp01((elevation + 0.35) / 0.35);
    return mix(kGrass, kHaze, distance * distance * distance);
}

// How much of a light of `radius` at `light` reaches `p` past the flat
// occluders (table top, shelf): 0 in the umbra, 1 in the open, a linear
// penumbra in between whose width grows with the distance behind the edge.
double visibility(Vec p, Vec light, double radius) {
    double seen = 1;
    auto occlude = [&](const Box& box) {
        double plane = (box.low.y + box.high.y) / 2;
        if ((p.y - plane) * (light.y - plane) >= 0) return;
        double t = (plane - p.y) / (light.y - p.y);
        double x = p.x + (light.x - p.x) * t;
        double z = p.z + (light.z - p.z) * t;
        double inside = std::min(std::min(x - box.low.x, box.high.x - x),
                                 std::min(z - box.low.z, box.high.z - z));
        double penumbra = radius * t / (1 - t) + 1e-9;
        seen *= clamp01(0.5 - inside / (2 * penumbra));
    };
    occlude(kTableTop);
    occlude(kShelf);
    return seen;
}

// Corners and the floor under the table get less of the bounced light.
double ambientOcclusion(Vec p) {
    // Each wall lets through (d + 0.08) / (d + 0.45) at a distance d from
    // it, relative to a point on a wall; the quotients are taken as one.
    constexpr double kNear = 0.05;
    constexpr double kFar = 0.6;
    double distances[5] = {p.x - kLeftWall, kRightWall - p.x, p.y - kFloor, kCeiling - p.y,
                           p.z - kBackWall};
    double above = kFar;
    double below = kNear;
    for (double d : distances) {
        above *= d + kNear;
        below *= d + kFar;
    }
    double occlusion = std::min(1.0, above / below);
    if (p.y < kTableTop.low.y) {
        double outside = std::max(std::max(kTableTop.low.x - p.x, p.x - kTableTop.high.x),
                                  std::max(kTableTop.low.z - p.z, p.z - kTableTop.high.z));
        occlusion *= 0.3 + 0.7 * clamp01((outside + 0.15) / 0.5);
    }
    return occlusion;
}

// How much of the pendant's light leaves through the shade's opening
// towards a point `toLamp` away from the bulb. The lining itself (inside
// the sphere) is lit in full.
double belowShade(Vec toLamp, double distance) {
    if (distance <= kShadeRadius * 1.0001) return 1;
    // The height of the direction from the bulb where it meets the sphere.
    double height = -toLamp.y / distance;
    return clamp01(((kShadeRim - kShadeCentre.y) / kShadeRadius - height) * (1 / kShadeSoftness));
}

Vec irradiance(Vec p, Vec n) {
    // Shadow rays start just off the surface, so that it does not shade itself.
    Vec start = p + n * 1e-4;
    Vec e = kAmbient * ambientOcclusion(p);
    for (const Lamp& lamp : kLamps) {
        Vec toLamp = lamp.position - p;
        double cosine = dot(n, toLamp);
        if (cosine <= 0) continue;
        double distance2 = dot(toLamp, toLamp);
        double distance = std::sqrt(distance2);
        double seen = visibility(start, lamp.position, kFilamentRadius);
        if (&lamp == &kLamps[0]) seen *= belowShade(toLamp, distance);
        if (seen > 0) e = e + lamp.intensity * (seen * cosine / (distance2 * distance));
    }

    double sunCosine = dot(n, kToSun);
    if (sunCosine > 0 && p.x > kLeftWall) {
        double t = (kLeftWall - p.x) / kToSun.x;
        Vec pane = p + kToSun * t;
        if (inWindowPane(pane.y, pane.z)) {
            e = e + kSunlight * (sunCosine * visibility(start, pane, 0));
        }
    }

    Vec toWindow = kWindowCentre - p;
    double cosine = dot(n, toWindow);
    if (cosine > 0 && p.x > kLeftWall) {
        double distance2 = dot(toWindow, toWindow);
        // The window as one source: both cosines over the squared distance,
        // softened near the window where a point estimate would blow up.
        double both = cosine * (p.x - kLeftWall) / distance2;
        double seen = visibility(start, kWindowCentre, 0.6);
        e = e + kWindowLight * (seen * kWindowArea * both / (distance2 + kWindowArea / 2));
    }
    return e;
}

Vec floorColour(Vec p) {
    double across = (p.x - kLeftWall) / kBoardWidth;
    double board = std::floor(across);
    if ((across - board) * kBoardWidth < kSeamWidth) return kWood * 0.25;
    double tone = 0.75 + 0.5 * static_cast<double>(hash(static_cast<int64_t>(board)) & 0xff) / 255;
    return kWood * tone;
}

Vec backWallColour(Vec p) {
    bool inFrame =
        p.x > kPaintingLeft && p.x < kPaintingRight && p.y > kPaintingBottom && p.y < kPaintingTop;
    if (!inFrame) return kWallPaint;
    bool inCanvas = p.x > kPaintingLeft + kPaintingFrame && p.x < kPaintingRight - kPaintingFrame &&
                    p.y > kPaintingBottom + kPaintingFrame && p.y < kPaintingTop - kPaintingFrame;
    if (!inCanvas) return {0.08, 0.06, 0.05};
    if (p.y < kPaintingSea) {
        return mix(Vec{0.05, 0.12, 0.15}, Vec{0.15, 0.3, 0.35},
                   (p.y - kPaintingBottom) / (kPaintingSea - kPaintingBottom));
    }
    // The sun disc sits on the horizon; the sky darkens upwards.
    double sx = p.x - (kPaintingLeft + kPaintingRight) / 2 - 0.15;
    double sy = p.y - kPaintingSea;
    if (sx * sx + sy * sy < 0.09 * 0.09) return {0.95, 0.85, 0.4};
    return mix(Vec{0.9, 0.45, 0.15}, Vec{0.12, 0.15, 0.4},
               clamp01((p.y - kPaintingSea) / (kPaintingTop - kPaintingFrame - kPaintingSea)));
}

Vec surfaceColour(const Hit& hit, Vec p) {
    switch (hit.surface) {
        case Surface::backWall:
            return backWallColour(p);
        case Surface::leftWall:
            return inWindowOpening(p.y, p.z) ? kFramePaint : kWallPaint;
        case Surface::rightWall:
            return kWallPaint;
        case Surface::floor:
            return floorColour(p);
        case Surface::ceiling:
            return kCeilingPaint;
        case Surface::table:
            return kTableWood;
        case Surface::shelf:
            return kShelfPaint;
        case Surface::books:
            return kBookColours[hash(static_cast<int64_t>(std::floor(p.z / kBookWidth))) % 4];
        case Surface::rod:
            return kRodColour;
        case Surface::shadeOutside:
            return kShadePaint;
        case Surface::shadeInside:
            return kShadeLining;
    }
    return kWallPaint;
}

// The bulbs in front of the surface at distance `t` along d, and their halos.
Vec bulbsAlong(Vec d, double t) {
    Vec light = {0, 0, 0};
    double inverseLength2 = 1 / dot(d, d);
    for (const Lamp& lamp : kLamps) {
        Vec toLamp = lamp.position - kEye;
        double along = dot(toLamp, d) * inverseLength2;  // closest approach
        if (along <= 0 || along >= t) continue;
        Vec off = toLamp - d * along;
        double miss2 = dot(off, off);
        double fade = 1 - miss2 * (1 / (kHaloReach * kHaloReach));
        if (fade <= 0) continue;
        light = light + lamp.intensity * (kHaloStrength * (fade * fade) * (fade * fade));
        double q2 = miss2 / (lamp.radius * lamp.radius);
        if (q2 < 1) {
            double core = (1 - q2) * (1 - q2);
            light = light + lamp.intensity * (kBulbGain * (0.3 + 0.7 * core));
        }
    }
    return light;
}

}  // namespace

RgbColour sceneRadiance(double u, double v, double aspect) {
    Vec d = {(2 * u - 1) * kHalfFieldTan * aspect, (1 - 2 * v) * kHalfFieldTan, -1};
    Hit hit = traceRoom(d);
    traceFurniture(d, hit);
    Vec p = kEye + d * hit.t;
    Vec colour;
    if (hit.surface == Surface::leftWall && inWindowPane(p.y, p.z)) {
        colour = outdoors(d);
    } else {
        colour = mul(surfaceColour(hit, p), irradiance(p, hit.normal));
    }
    colour = colour + bulbsAlong(d, hit.t);
    return {colour.x, colour.y, colour.z};
}

void renderScene(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    if (image.empty()) return;
    double aspect = static_cast<double>(width) / height;
    for (uint32_t y = 0; y < height; ++y) {
        double v = (y + 0.5) / height;
        RgbePixel* row = image.rows[y];
        for (uint32_t x = 0; x < width; ++x) {
            RgbColour c = sceneRadiance((x + 0.5) / width, v, aspect);
            encodeRgbe(row[x], c.red, c.green, c.blue);
        }
    }
}

}  // namespace pellumir
