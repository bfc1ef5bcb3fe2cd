// The main of every harness built without libFuzzer: runs the harness once
// on each file named on the command line, and on every file inside each
// folder named there, so that the corpus and the kept crash files can be
// replayed by any compiler, under any sanitizer, as an ordinary test.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool replay(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A block of exactly the file's size, so that AddressSanitizer sees a
    // read one byte past the input as libFuzzer's own runs would.
    auto data = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    size_t count = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        fs::path path = argv[i];
        std::error_code error;
        if (fs::is_directory(path, error)) {
            // Sorted, so that a failure names the same file on every run.
            std::vector<fs::path> files;
            for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                ok = replay(file) && ok;
                ++count;
            }
        } else if (fs::is_regular_file(path, error)) {
            ok = replay(path) && ok;
            ++count;
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            ok = false;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return ok ? 0 : 1;
}
