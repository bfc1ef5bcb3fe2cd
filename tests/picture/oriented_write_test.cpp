// A picture written as an orientation shows it must be, byte for byte, the
// picture turned, mirrored and flipped first and written after.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "picture/formats/radiance.h"
#include "picture/orientation.h"
#include "picture/oriented_rows.h"
#include "picture/picture_ops.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

// Runs of equal pixels between distinct ones, so that the scanlines are
// written with runs as well as dumps.
void makePicture(RgbeImage& picture, uint32_t width, uint32_t height) {
    picture.allocate(width, height);
    std::mt19937 random(width * 1000 + height);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            if (c > 0 && random() % 3 == 0) {
                picture.rows[r][c] = picture.rows[r][c - 1];
            } else {
                picture.rows[r][c] = {uint8_t(r), uint8_t(c), uint8_t(random()), 128};
            }
        }
    }
}

void copyPicture(const RgbeImage& from, RgbeImage& to) {
    to.allocate(from.width, from.height);
    std::copy(from.pixels(), from.pixels() + uint64_t{from.width} * from.height, to.pixels());
}

enum Action { turn, mirror, flip };

// The picture moved by the actions, and the orientation they add up to.
Orientation apply(const std::vector<Action>& actions, RgbeImage& moved) {
    Orientation orientation;
    for (Action action : actions) {
        if (action == turn) {
            EXPECT_TRUE(moved.rotate90());
            orientation = orientation.turned();
        } else if (action == mirror) {
            mirrorPicture(moved);
            orientation = orientation.mirrored();
        } else {
            flipPicture(moved);
            orientation = orientation.flipped();
        }
    }
    return orientation;
}

std::string describe(const std::vector<Action>& actions) {
    std::string text;
    for (Action action : actions)
        text += "RHV"[action];
    return text;
}

// Both ways of writing give the same bytes, and the rows handed out are the
// moved picture's.
void expectSameAsMoved(const RgbeImage& picture, const std::vector<Action>& actions) {
    SCOPED_TRACE(describe(actions) + " on " + std::to_string(picture.width) + "x" +
                 std::to_string(picture.height));
    TempDir dir;
    RgbeImage moved;
    copyPicture(picture, moved);
    Orientation orientation = apply(actions, moved);

    OrientedRows rows(picture, orientation);
    ASSERT_TRUE(rows.ready());
    ASSERT_EQ(rows.width(), moved.width);
    ASSERT_EQ(rows.height(), moved.height);
    for (uint32_t r = 0; r < rows.height(); ++r) {
        ASSERT_TRUE(std::equal(moved.rows[r], moved.rows[r] + moved.width, rows.row(r)))
            << "row " << r;
    }

    ASSERT_EQ(writeRadiance(moved, dir.file("moved.hdr")), 1);
    ASSERT_EQ(writeRadiance(picture, dir.file("oriented.hdr"), nullptr, orientation), 1);
    EXPECT_EQ(test::readBytes(dir.file("oriented.hdr")), test::readBytes(dir.file("moved.hdr")));
}

// Sizes: a picture whose turned rows make two whole batches and a part,
// with widths and heights off the four-pixel steps; one too narrow for
// run-length scanlines until it is turned; and one large enough for the
// batches to be gathered on a second thread.
const uint32_t kSizes[][2] = {{150, 37}, {5, 150}, {1030, 1100}};

TEST(OrientedWrite, EveryTurnMirrorAndFlipWritesWhatMovingThePictureWrites) {
    for (const auto& size : kSizes) {
        RgbeImage picture;
        makePicture(picture, size[0], size[1]);
        for (int turns = 0; turns < 4; ++turns) {
            for (bool mirrored : {false, true}) {
                for (bool flipped : {false, true}) {
                    std::vector<Action> actions(turns, turn);
                    if (mirrored) actions.push_back(mirror);
                    if (flipped) actions.push_back(flip);
                    expectSameAsMoved(picture, actions);
                }
            }
        }
    }
}

TEST(OrientedWrite, ActionsInAnyOrderAddUpToTheirOrientation) {
    RgbeImage picture;
    makePicture(picture, kSizes[0][0], kSizes[0][1]);
    std::mt19937 random(7);
    for (int sequence = 0; sequence < 40; ++sequence) {
        std::vector<Action> actions(random() % 7);
        for (Action& action : actions)
            action = static_cast<Action>(random() % 3);
        expectSameAsMoved(picture, actions);
    }
    // Four turns, two mirrors or two flips leave the picture as it was.
    EXPECT_TRUE(Orientation{}.turned().turned().turned().turned().unmoved());
    EXPECT_TRUE(Orientation{}.turned().mirrored().mirrored().turned().turned().turned().unmoved());
    EXPECT_TRUE(Orientation{}.flipped().flipped().unmoved());
    // A mirror and a flip are half a turn.
    EXPECT_EQ(Orientation{}.mirrored().flipped(), Orientation{}.turned().turned());
}

TEST(OrientedWrite, GivesRowsInAnyOrderAndRefusesAnEmptyPicture) {
    RgbeImage picture;
    makePicture(picture, kSizes[0][0], kSizes[0][1]);
    RgbeImage moved;
    copyPicture(picture, moved);
    Orientation orientation = apply({turn, mirror}, moved);
    OrientedRows rows(picture, orientation);
    for (uint32_t r : {149u, 0u, 65u, 63u, 64u, 128u, 127u}) {
        ASSERT_TRUE(std::equal(moved.rows[r], moved.rows[r] + moved.width, rows.row(r)))
            << "row " << r;
    }

    // Large enough for the next batch to be gathered on a second thread.
    RgbeImage large;
    makePicture(large, 1100, 1000);
    RgbeImage largeMoved;
    copyPicture(large, largeMoved);
    orientation = apply({turn, turn, turn, flip}, largeMoved);
    OrientedRows largeRows(large, orientation);
    for (uint32_t r : {0u, 1u, 64u, 200u, 199u, 1099u, 128u, 129u, 192u}) {
        ASSERT_TRUE(std::equal(largeMoved.rows[r], largeMoved.rows[r] + largeMoved.width,
                               largeRows.row(r)))
            << "row " << r;
    }

    TempDir dir;
    RgbeImage empty;
    FailureReason reason;
    EXPECT_EQ(writeRadiance(empty, dir.file("e.hdr"), &reason, Orientation{}.turned()), 0);
    EXPECT_EQ(reason.text(), kNothingToSaveText);
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace pellumir
