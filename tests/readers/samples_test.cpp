// The committed sample files must be the project's scene as make-samples
// writes it today; after a change to the scene, run the sample-files target.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/picture_files.h"
#include "make-samples/float_picture.h"
#include "readers/float_bytes.h"

namespace pellumir {
namespace {

std::string samplePath(const char* name) {
    const char* source = std::getenv("PELLUMIR_SOURCE_DIR");
    return std::string(source ? source : ".") + "/samples/" + name;
}

TEST(SampleFiles, HoldTheSceneInEveryFloatFormat) {
    FloatPicture scene = sceneFloats(160, 120);
    std::vector<RgbePixel> expected = test::encodedPixels(scene.rgb, 3);
    RawFloatLayout layout;
    layout.width = 160;
    layout.height = 120;
    for (const char* name : {"room.pfm", "room.float", "room.tif"}) {
        SCOPED_TRACE(name);
        std::string path = samplePath(name);
        RgbeImage image;
        ASSERT_NE(readPicture(image, kindOfFile(path), path, layout), 0);
        EXPECT_EQ(image.width, 160u);
        EXPECT_EQ(image.height, 120u);
        EXPECT_EQ(test::pixelsOf(image), expected);
    }
}

}  // namespace
}  // namespace pellumir
