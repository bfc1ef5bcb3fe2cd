// make-samples: writes the project's scene as the sample PFM, raw float and
// float TIFF files (160 x 120, RGB) into a folder.

#include <cstdio>
#include <cstring>
#include <string>

#include "make-samples/float_picture.h"

using namespace pellumir;

namespace {

constexpr uint32_t kWidth = 160;
constexpr uint32_t kHeight = 120;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs(
            "usage: make-samples FOLDER\n"
            "writes FOLDER/room.pfm, FOLDER/room.float and FOLDER/room.tif\n",
            argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 1;
    }
    std::string folder = argv[1];
    FloatPicture picture = sceneFloats(kWidth, kHeight);
    struct Output {
        const char* name;
        bool (*write)(const FloatPicture&, const std::string&);
    };
    for (Output output : {Output{"room.pfm", writePfm}, Output{"room.float", writeRawFloats},
                          Output{"room.tif", writeFloatTiff}}) {
        std::string path = folder + "/" + output.name;
        if (!output.write(picture, path)) {
            std::fprintf(stderr, "make-samples: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
