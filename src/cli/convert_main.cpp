// pellumir-convert: the viewer's reading and saving from the command line.

#include <cstdio>
#include <cstring>
#include <string>

#include "app/picture_files.h"
#include "picture/rgbe_image.h"

using namespace pellumir;

namespace {

void usage(std::FILE* to) {
    std::fputs("usage: pellumir-convert --info INPUT\n", to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        usage(stdout);
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "--info") != 0) {
        usage(stderr);
        return 2;
    }
    std::string input = argv[2];
    PictureKind kind = kindOfFile(input);
    RgbeImage image;
    int result = readPicture(image, kind, input);
    if (image.empty()) {
        std::fprintf(stderr, "%s: 读取文件时出错\n", input.c_str());
        return 1;
    }
    std::printf("width %u\nheight %u\norientation %s\n", image.width, image.height,
                result == 1 ? "standard" : "turned to standard");
    return 0;
}
