// render-scene: renders the project's own HDR scene into a Radiance file.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "picture/formats/radiance.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

using namespace pellumir;

namespace {

constexpr uint32_t kDefaultWidth = 640;
constexpr uint32_t kDefaultHeight = 480;
// What a Radiance resolution line can describe.
constexpr uint64_t kLargestSide = INT32_MAX;

void usage(std::FILE* to) {
    std::fputs("usage: render-scene OUTPUT.hdr [WIDTH HEIGHT]\n", to);
}

// A whole decimal number from 1 to kLargestSide, nothing else.
bool parseSide(const char* text, uint32_t& side) {
    if (*text == '\0') return false;
    uint64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(*c - '0');
        if (value > kLargestSide) return false;
    }
    if (value == 0) return false;
    side = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        usage(stdout);
        return 0;
    }
    if (argc != 2 && argc != 4) {
        usage(stderr);
        return 1;
    }
    std::string output = argv[1];
    uint32_t width = kDefaultWidth;
    uint32_t height = kDefaultHeight;
    if (argc == 4 && (!parseSide(argv[2], width) || !parseSide(argv[3], height))) {
        std::fprintf(stderr,
                     "render-scene: width and height must be whole numbers from 1 to %llu\n",
                     static_cast<unsigned long long>(kLargestSide));
        return 1;
    }

    RgbeImage image;
    renderScene(image, width, height);
    if (image.empty()) {
        std::fprintf(stderr, "render-scene: not enough memory for a %u x %u picture\n", width,
                     height);
        return 1;
    }
    errno = 0;
    if (!writeRadiance(image, output)) {
        int error = errno;
        std::error_code ignored;
        const char* reason = std::filesystem::is_directory(output, ignored) ? "it is a folder"
                             : error != 0                                   ? std::strerror(error)
                                                                            : "the write failed";
        std::fprintf(stderr, "render-scene: cannot write %s: %s\n", output.c_str(), reason);
        return 1;
    }
    return 0;
}
