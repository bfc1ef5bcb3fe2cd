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
    const int64_t top = client.top;
    const int64_t bottom = client.bottom;
    const int64_t left = client.left;
    const int64_t right = client.right;

    int64_t destX = origin.x;
    int64_t destY = origin.y;
    int64_t destW = static_cast<int64_t>(width * z);
    int64_t destH = static_cast<int64_t>(height * z);
    int64_t srcX = 0;
    int64_t srcY = 0;

    // Zoomed in, the mask is -zoom and rounds each clip down to whole
    // picture pixels; zoomed out it is -1 and keeps the clip as it is.
    const int64_t mask = ~static_cast<int64_t>(z - 1.0);

    int64_t c = (top - destY) & mask;
    if (c > 0) {
        destY += c;
        destH -= c;
    }
    c = (destY + destH - bottom) & mask;
    if (c > 0) {
        destH -= c;
        srcY = static_cast<int64_t>(static_cast<double>(c) / z);
    }
    c = (left - destX) & mask;
    if (c > 0) {
        destW -= c;
        srcX = static_cast<int64_t>(static_cast<double>(c) / z);
        destX += c;
    }
    c = (destX + destW - right) & mask;
    if (c > 0) destW -= c;

    // The source is what the clipped destination shows, in whole picture
    // pixels; the destination is then made to match it exactly.
    const double a = z > 1.0 ? z - 1.0 : 0.0;
    int64_t srcW = static_cast<int64_t>((static_cast<double>(destW) + a) / z);
    int64_t srcH = static_cast<int64_t>((static_cast<double>(destH) + a) / z);
    destW = static_cast<int64_t>(static_cast<double>(srcW) * z);
    destH = static_cast<int64_t>(static_cast<double>(srcH) * z);

    // Panned out of sight, the clips leave an empty or negative size, and
    // the bands below cover the client area on their own.
    plan.drawsPicture = srcW > 0 && srcH > 0 && destW > 0 && destH > 0 && srcX >= 0 && srcY >= 0 &&
                        srcX + srcW <= width && srcY + srcH <= height && fits32(destX) &&
                        fits32(destY) && fits32(destW) && fits32(destH);
    plan.destination = narrowed({destX, destY, destW, destH});
    plan.source = narrowed({srcX, srcY, srcW, srcH});

    // The bands are measured from the destination as the blit takes it.
    if (destY > top) addBand(plan, client, {left, top, right - left, destY - top});
    if (destY + destH < bottom) {
        addBand(plan, client, {left, destY + destH, right - left, bottom - (destY + destH)});
    }
    if (destX > left) addBand(plan, client, {left, destY, destX - left, destH});
    if (destX + destW < right) {
        addBand(plan, client, {destX + destW, destY, right - (destX + destW), destH});
    }
    return plan;
}

}  // namespace pellumir
