// The thumbnailer on a 48-megapixel picture: the whole run (read the
// Radiance file, reduce, choose the exposure, write the PNG) and the
// reduction alone. File managers call the thumbnailer for every new
// picture; the goal is well under a second for such a file.
//
// The file holds the project's scene at 8000 x 6000 in /dev/shm, so the
// figures are for a file in the page cache.

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <string>

#include "display/picture_reduction.h"
#include "picture/formats/radiance.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"
#include "thumbnailer/make_thumbnail.h"

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 8000;
constexpr uint32_t kHeight = 6000;
constexpr double kMegapixels = double{kWidth} * kHeight / 1e6;
constexpr uint32_t kThumbnailSide = 256;

// The scene, rendered once, and its Radiance file.
class Subject : public bench::Subject<Subject> {
  public:
    const RgbeImage& picture() const { return picture_; }
    std::string input() const { return folder_.file("scene.hdr"); }
    std::string output() const { return folder_.file("thumbnail.png"); }

    Subject() {
        if (render(picture_, kWidth, kHeight) && writeRadiance(picture_, input()) != 1)
            problem_ = "cannot write " + input();
    }

  private:
    RgbeImage picture_;
};

void BM_ThumbnailOf48MegapixelRadiance(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    Subject& subject = Subject::get();
    bench::measureMegapixels(state, "makeThumbnail", kMegapixels, [&] {
        std::string error;
        return makeThumbnail(subject.input(), subject.output(), kThumbnailSide, error) ==
               kThumbnailOk;
    });
}
BENCHMARK(BM_ThumbnailOf48MegapixelRadiance)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReduceOf48MegapixelPicture(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    Subject& subject = Subject::get();
    RgbeImage reduced;
    bench::measureMegapixels(state, "reducePicture", kMegapixels, [&] {
        return reducePicture(subject.picture(), kThumbnailSide, reduced);
    });
}
BENCHMARK(BM_ReduceOf48MegapixelPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pellumir
