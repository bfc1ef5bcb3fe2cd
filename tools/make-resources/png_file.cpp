#include "make-resources/png_file.h"

#include <array>
#include <cstdlib>

#include "io/safe_output.h"
#include "make-resources/deflate.h"

namespace pellumir {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kBitDepth = 8;
constexpr uint8_t kColourTypeRgba = 6;
constexpr size_t kBytesPerPixel = 4;
// PNG's limit for width and height.
constexpr uint32_t kLargestSide = 0x7FFFFFFF;

enum Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    putU32(out, static_cast<uint32_t>(data.size()));
    size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length.
    putU32(out, crc32(out.data() + typeAt, out.size() - typeAt));
}

uint8_t paeth(uint8_t a, uint8_t b, uint8_t c) {
    int p = int{a} + b - c;
    int pa = std::abs(p - a);
    int pb = std::abs(p - b);
    int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Filters one row with filter f into out; above is the previous raw row
// (all zero for the first).
void filterRow(Filter f, const uint8_t* row, const uint8_t* above, size_t bytes, uint8_t* out) {
    for (size_t i = 0; i < bytes; ++i) {
        uint8_t a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
        uint8_t b = above[i];
        uint8_t c = i >= kBytesPerPixel ? above[i - kBytesPerPixel] : 0;
        uint8_t predictor = 0;
        switch (f) {
            case kNone:
                predictor = 0;
                break;
            case kSub:
                predictor = a;
                break;
            case kUp:
                predictor = b;
                break;
            case kAverage:
                predictor = static_cast<uint8_t>((int{a} + b) / 2);
                break;
            case kPaeth:
                predictor = paeth(a, b, c);
                break;
        }
        out[i] = static_cast<uint8_t>(row[i] - predictor);
    }
}

uint64_t filteredCost(const std::vector<uint8_t>& filtered) {
    uint64_t sum = 0;
    for (uint8_t v : filtered)
        sum += static_cast<uint64_t>(std::abs(static_cast<int8_t>(v)));
    return sum;
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = makeCrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> encodePng(const RgbaPicture& picture) {
    uint32_t w = picture.width;
    uint32_t h = picture.height;
    if (w == 0 || h == 0 || w > kLargestSide || h > kLargestSide) return {};
    uint64_t rowBytes64 = uint64_t{w} * kBytesPerPixel;
    // Each row is one filter byte and the row; the whole must fit in memory
    // and the IDAT length in 32 bits.
    uint64_t rawBytes = (rowBytes64 + 1) * h;
    if (rawBytes > UINT32_MAX / 2 || picture.pixels.size() != rowBytes64 * h) return {};
    size_t rowBytes = static_cast<size_t>(rowBytes64);

    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(rawBytes));
    std::vector<uint8_t> zeros(rowBytes, 0);
    std::vector<uint8_t> best(rowBytes);
    std::vector<uint8_t> trial(rowBytes);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = picture.pixels.data() + size_t{y} * rowBytes;
        const uint8_t* above = y > 0 ? row - rowBytes : zeros.data();
        Filter bestFilter = kNone;
        uint64_t bestCost = UINT64_MAX;
        for (Filter f : {kNone, kSub, kUp, kAverage, kPaeth}) {
            filterRow(f, row, above, rowBytes, trial.data());
            uint64_t cost = filteredCost(trial);
            // Ties keep the earlier, simpler filter.
            if (cost < bestCost) {
                bestCost = cost;
                bestFilter = f;
                best.swap(trial);
            }
        }
        raw.push_back(bestFilter);
        raw.insert(raw.end(), best.begin(), best.end());
    }

    std::vector<uint8_t> header;
    putU32(header, w);
    putU32(header, h);
    header.push_back(kBitDepth);
    header.push_back(kColourTypeRgba);
    header.push_back(0);  // deflate
    header.push_back(0);  // the adaptive filters
    header.push_back(0);  // not interlaced

    std::vector<uint8_t> out(std::begin(kSignature), std::end(kSignature));
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", zlibCompress(raw.data(), raw.size()));
    putChunk(out, "IEND", {});
    return out;
}

bool writePng(const RgbaPicture& picture, const std::string& path) {
    std::vector<uint8_t> bytes = encodePng(picture);
    if (bytes.empty()) return false;
    SafeOutput out;
    if (!out.open(path)) return false;
    if (out.write(bytes.data(), bytes.size()) != bytes.size()) return false;
    return out.commit();
}

}  // namespace pellumir
