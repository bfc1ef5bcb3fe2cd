#include "picture/formats/resolu.h"

#include <climits>
#include <cstring>

namespace pellumir {

namespace {

constexpr size_t kResolutionBuffer = 32;

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// atoi, but a number too large for int saturates instead of being undefined.
int32_t readInteger(const char* text) {
    while (isSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX) return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

int parseResolution(const char* text, Resolution& resolution) {
    if (!text) return 0;
    const char* lastX = std::strrchr(text, 'X');
    const char* lastY = std::strrchr(text, 'Y');
    if (!lastX || !lastY) return 0;

    int flags = 0;
    if (lastY < lastX) flags |= kYMajor;
    if (lastX > text && lastX[-1] == '-') flags |= kXDecreasing;
    if (lastY > text && lastY[-1] == '-') flags |= kYDecreasing;

    int32_t xSize = readInteger(lastX + 1);
    if (xSize <= 0) return 0;
    int32_t ySize = readInteger(lastY + 1);
    if (ySize <= 0) return 0;
    resolution = {flags, xSize, ySize};
    return 1;
}

int readResolution(ByteInput& in, uint32_t& scanlineLength, uint32_t& scanlineCount) {
    char line[kResolutionBuffer];
    Resolution resolution;
    if (in.getLine(line, sizeof line) == 0 || !parseResolution(line, resolution)) return -1;
    auto x = static_cast<uint32_t>(resolution.xSize);
    auto y = static_cast<uint32_t>(resolution.ySize);
    bool yMajor = (resolution.flags & kYMajor) != 0;
    scanlineLength = yMajor ? x : y;
    scanlineCount = yMajor ? y : x;
    return resolution.flags;
}

}  // namespace pellumir
