// make-resources: draws the program's icon and renders its About picture
// into a resources folder.

#include <cstdio>
#include <cstring>
#include <string>

#include "make-resources/resource_files.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs("usage: make-resources FOLDER\n", stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs("usage: make-resources FOLDER\n", stderr);
        return 1;
    }
    std::string failure = pellumir::makeResources(argv[1]);
    if (!failure.empty()) {
        std::fprintf(stderr, "make-resources: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
