// pellumir-thumbnailer: the freedesktop thumbnailer for the pictures the
// viewer reads. File managers run it on every such file a user downloads,
// so it bounds its memory and says nothing but one line on failure.

#include <sys/resource.h>
#include <cstdio>
#include <string>
#include <vector>

#include "thumbnailer/make_thumbnail.h"
#include "thumbnailer/thumbnailer_options.h"

using namespace pellumir;

namespace {

// The most memory a thumbnail may take: a 48-megapixel picture needs about
// 200 MB, so pictures up to about 200 megapixels are shown and anything
// larger is refused by the memory budget (which reads this limit) instead
// of pushing the desktop into swap.
constexpr rlim_t kThumbnailMemory = rlim_t{1} << 30;

// AddressSanitizer's shadow memory would count against the limit.
#if defined(__SANITIZE_ADDRESS__)
#define PELLUMIR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLUMIR_ADDRESS_SANITIZER 1
#endif
#endif

void limitMemory() {
#if defined(PELLUMIR_ADDRESS_SANITIZER)
    // Left to the machine's budget.
#else
    rlimit limit{};
    if (getrlimit(RLIMIT_DATA, &limit) != 0) return;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= kThumbnailMemory) return;
    limit.rlim_cur = kThumbnailMemory;
    setrlimit(RLIMIT_DATA, &limit);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    limitMemory();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    std::optional<ThumbnailerOptions> options = parseThumbnailerOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "pellumir-thumbnailer: %s\n%s", error.c_str(), thumbnailerUsage());
        return kThumbnailUsage;
    }
    if (options->help) {
        std::fputs(thumbnailerUsage(), stdout);
        return kThumbnailOk;
    }
    int status = makeThumbnail(options->input, options->output, options->size, error);
    if (status != kThumbnailOk) std::fprintf(stderr, "pellumir-thumbnailer: %s\n", error.c_str());
    return status;
}
