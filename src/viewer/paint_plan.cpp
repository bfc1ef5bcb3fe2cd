#include "viewer/paint_plan.h"

#include <algorithm>
#include <cmath>

#include "viewer/view_math.h"

namespace pellumir {

namespace {

// The arithmetic runs in 64 bits: a picture 2^31 / 1024 pixels wide is
// already 2^31 display pixels wide at the largest zoom, and a picture panned
// far out of sight leaves clip amounts of that size. Whatever is drawn lies
// within a zoomed pixel of the client area and fits in 32 bits again.
struct Rect64 {
    int64_t x;
    int64_t y;
    int64_t width;
    int64_t height;
};

bool isPlanZoom(float zoom) {
    if (!(zoom >= kMinZoom && zoom <= kMaxZoom)) return false;
    int exponent = 0;
    return std::frexp(zoom, &exponent) == 0.5f;
}

bool fits32(int64_t value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

Box narrowed(const Rect64& r) {
    auto clamp32 = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return {clamp32(r.x), clamp32(r.y), clamp32(r.width), clamp32(r.height)};
}

// Adds the part of a band that lies in the client area, if any.
void addBand(PaintPlan& plan, const Rect& client, Rect64 band) {
    int64_t left = std::max<int64_t>(band.x, client.left);
    int64_t top = std::max<int64_t>(band.y, client.top);
    int64_t right = std::min<int64_t>(band.x + band.width, client.right);
    int64_t bottom = std::min<int64_t>(band.y + band.height, client.bottom);
    if (right <= left || bottom <= top) return;
    plan.bands[plan.bandCount++] = narrowed({left, top, right - left, bottom - top});
}

// Clips the zoomed picture at `origin` to the client area: the destination
// on the client area and the corner of the picture it starts at.
struct Clipped {
    Rect64 dest;
    int64_t srcX = 0;
    int64_t srcY = 0;
};

Clipped clipToClient(uint32_t width, uint32_t height, double z, Point origin, const Rect& client) {
    Clipped clipped;
    clipped.dest = {origin.x, origin.y, static_cast<int64_t>(width * z),
                    static_cast<int64_t>(height * z)};
    Rect64& dest = clipped.dest;
    // Zoomed in, the mask is -zoom and rounds each clip down to whole
    // picture pixels; zoomed out it is -1 and keeps the clip as it is.
    const int64_t mask = ~static_cast<int64_t>(z - 1.0);

    int64_t c = (int64_t{client.top} - dest.y) & mask;
    if (c > 0) {
        dest.y += c;
        dest.height -= c;
    }
    c = (dest.y + dest.height - client.bottom) & mask;
    if (c > 0) {
        dest.height -= c;
        clipped.srcY = static_cast<int64_t>(static_cast<double>(c) / z);
    }
    c = (int64_t{client.left} - dest.x) & mask;
    if (c > 0) {
        dest.width -= c;
        clipped.srcX = static_cast<int64_t>(static_cast<double>(c) / z);
        dest.x += c;
    }
    c = (dest.x + dest.width - client.right) & mask;
    if (c > 0) dest.width -= c;
    return clipped;
}

// The background bands around the destination, measured from it as the
// blit takes it.
void addBackgroundBands(PaintPlan& plan, const Rect& client, const Rect64& dest) {
    const int64_t top = client.top;
    const int64_t bottom = client.bottom;
    const int64_t left = client.left;
    const int64_t right = client.right;
    if (dest.y > top) addBand(plan, client, {left, top, right - left, dest.y - top});
    if (dest.y + dest.height < bottom) {
        addBand(plan, client,
                {left, dest.y + dest.height, right - left, bottom - (dest.y + dest.height)});
    }
    if (dest.x > left) addBand(plan, client, {left, dest.y, dest.x - left, dest.height});
    if (dest.x + dest.width < right) {
        addBand(plan, client,
                {dest.x + dest.width, dest.y, right - (dest.x + dest.width), dest.height});
    }
}

}  // namespace

PaintPlan planPaint(uint32_t width, uint32_t height, float zoom, Point origin, const Rect& client) {
    PaintPlan plan;
    if (!isPlanZoom(zoom) || width > INT32_MAX || height > INT32_MAX) {
        addBand(plan, client,
                {client.left, client.top, int64_t{client.right} - client.left,
                 int64_t{client.bottom} - client.top});
        return plan;
    }
    const double z = zoom;
    Clipped clipped = clipToClient(width, height, z, origin, client);
    Rect64& dest = clipped.dest;
    const int64_t srcX = clipped.srcX;
    const int64_t srcY = clipped.srcY;

    // The source is what the clipped destination shows, in whole picture
    // pixels; the destination is then made to match it exactly.
    const double a = z > 1.0 ? z - 1.0 : 0.0;
    int64_t srcW = static_cast<int64_t>((static_cast<double>(dest.width) + a) / z);
    int64_t srcH = static_cast<int64_t>((static_cast<double>(dest.height) + a) / z);
    dest.width = static_cast<int64_t>(static_cast<double>(srcW) * z);
    dest.height = static_cast<int64_t>(static_cast<double>(srcH) * z);

    // Panned out of sight, the clips leave an empty or negative size, and
    // the bands cover the client area on their own.
    plan.drawsPicture = srcW > 0 && srcH > 0 && dest.width > 0 && dest.height > 0 && srcX >= 0 &&
                        srcY >= 0 && srcX + srcW <= width && srcY + srcH <= height &&
                        fits32(dest.x) && fits32(dest.y) && fits32(dest.width) &&
                        fits32(dest.height);
    plan.destination = narrowed(dest);
    plan.source = narrowed({srcX, srcY, srcW, srcH});
    addBackgroundBands(plan, client, dest);
    return plan;
}

}  // namespace pellumir
