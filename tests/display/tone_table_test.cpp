#include "display/tone_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

namespace pellumir {
namespace {

constexpr float kGamma = 2.2f;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::unique_ptr<ToneTable> made(float exposure) {
    auto table = std::make_unique<ToneTable>();
    makeToneTable(*table, exposure, kGamma);
    return table;
}

uint8_t byteOf(double v, double inverse) {
    double p = std::pow(v, inverse) * 256.0;
    return p > 255.0 ? 255 : static_cast<uint8_t>(p);
}

// One power per entry, the single-precision steps written out plainly: what
// the table's shortcuts must reproduce byte for byte.
std::unique_ptr<ToneTable> plainStepwise(float exposure) {
    auto table = std::make_unique<ToneTable>();
    double inverse = 1.0 / double{kGamma};
    float base = exposure * 0x1p-135f;
    std::memset(table->entries[0], 0, 256);
    for (int e = 1; e < 256; ++e) {
        float v = base * 0.5f;
        for (int m = 0; m < 256; ++m) {
            table->entries[e][m] = byteOf(v, inverse);
            v = v + base;
        }
        base = base * 2.0f;
    }
    return table;
}

std::unique_ptr<ToneTable> plainExact(float exposure) {
    auto table = std::make_unique<ToneTable>();
    double inverse = 1.0 / double{kGamma};
    std::memset(table->entries[0], 0, 256);
    for (int e = 1; e < 256; ++e) {
        for (int m = 0; m < 256; ++m) {
            table->entries[e][m] =
                byteOf((m + 0.5) * std::ldexp(double{exposure}, e - 136), inverse);
        }
    }
    return table;
}

// The first (exponent, mantissa) where two tables differ, for the message.
::testing::AssertionResult sameTables(const ToneTable& a, const ToneTable& b) {
    for (int e = 0; e < 256; ++e) {
        for (int m = 0; m < 256; ++m) {
            if (a.entries[e][m] != b.entries[e][m]) {
                return ::testing::AssertionFailure()
                       << "entry (" << e << ", " << m << "): " << int{a.entries[e][m]} << " vs "
                       << int{b.entries[e][m]};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

bool rowIs(const ToneTable& table, int e, uint8_t value) {
    for (int m = 0; m < 256; ++m) {
        if (table.entries[e][m] != value) return false;
    }
    return true;
}

TEST(ToneTable, GivesTheKnownEntriesAtExposureOne) {
    auto table = made(1.0f);
    EXPECT_EQ(table->entries[128][0], 15);
    EXPECT_EQ(table->entries[128][1], 24);
    EXPECT_EQ(table->entries[128][127], 186);
    EXPECT_EQ(table->entries[128][128], 187);
    EXPECT_EQ(table->entries[128][255], 255);
    EXPECT_EQ(table->entries[136][0], 186);
    for (int e = 0; e <= 110; ++e)
        EXPECT_TRUE(rowIs(*table, e, 0)) << "row " << e;
    EXPECT_EQ(table->entries[111][255], 1);
    for (int e = 137; e < 256; ++e)
        EXPECT_TRUE(rowIs(*table, e, 255)) << "row " << e;
}

TEST(ToneTable, FollowsTheExposureByWholeStops) {
    EXPECT_EQ(made(0.5f)->entries[128][255], 186);
    EXPECT_EQ(made(2.0f)->entries[128][127], 255);
}

TEST(ToneTable, IsBlackAtExposureZeroAndWhiteAboveRowZeroAtInfinity) {
    auto black = made(0.0f);
    for (int e = 0; e < 256; ++e)
        EXPECT_TRUE(rowIs(*black, e, 0)) << "row " << e;
    auto white = made(kInfinity);
    EXPECT_TRUE(rowIs(*white, 0, 0));
    for (int e = 1; e < 256; ++e)
        EXPECT_TRUE(rowIs(*white, e, 255)) << "row " << e;
}

// Only the entries between a row's 0s and its 255s are computed; the rest
// is inferred. Any exposure must still give the bytes of one power per entry.
TEST(ToneTable, ShortcutsGiveTheBytesOfOnePowerPerEntry) {
    std::mt19937 random(20240607);
    std::vector<float> exposures = {1.0f,   0.5f,      2.0f,  8.0f,   0.99610895f, 0.125f,
                                    3.7f,   1e-30f,    1e30f, 1e38f,  kInfinity,   0.0f,
                                    1e-45f, 0x1p-149f, 0.3f,  123.45f};
    std::uniform_real_distribution<float> stops(-40.0f, 40.0f);
    for (int i = 0; i < 16; ++i)
        exposures.push_back(std::exp2(stops(random)));
    for (float exposure : exposures) {
        SCOPED_TRACE(exposure);
        ToneTable stepwise;
        makeStepwiseToneTable(stepwise, exposure, kGamma);
        EXPECT_TRUE(sameTables(stepwise, *plainStepwise(exposure)));
        ToneTable exact;
        makeExactToneTable(exact, exposure, kGamma);
        EXPECT_TRUE(sameTables(exact, *plainExact(exposure)));
    }
}

TEST(ToneTable, UsesTheStepwiseTableFromAnEighthUp) {
    for (float exposure : {0.125f, 0.2f, 1.0f, 0.99610895f, 1000.0f}) {
        SCOPED_TRACE(exposure);
        EXPECT_TRUE(sameTables(*made(exposure), *plainStepwise(exposure)));
    }
    for (float exposure : {std::nextafter(0.125f, 0.0f), 0.1f, 5e-6f, 1e-20f}) {
        SCOPED_TRACE(exposure);
        EXPECT_TRUE(sameTables(*made(exposure), *plainExact(exposure)));
    }
}

// So that the switch to exact values at 2^-3 shows no step in brightness.
TEST(ToneTable, StepwiseAndExactTablesAgreeAtWholeStopsDownTo2PowMinus14) {
    for (int k = 3; k <= 14; ++k) {
        SCOPED_TRACE(k);
        float exposure = std::ldexp(1.0f, -k);
        EXPECT_TRUE(sameTables(*plainStepwise(exposure), *plainExact(exposure)));
    }
}

// Below 2^-14 the single-precision base is gone: the table turns black
// where the exact values still show the bright rows.
TEST(ToneTable, KeepsBrightRowsAtExposuresWhereTheSinglePrecisionBaseVanishes) {
    float exposure = 0x1p-20f;
    EXPECT_TRUE(rowIs(*plainStepwise(exposure), 149, 0));
    auto table = made(exposure);
    // Mid-grey and twice mid-grey, 20 stops up: shown as at exposure 1.
    EXPECT_EQ(table->entries[148][128], 187);
    EXPECT_EQ(table->entries[149][128], 255);
}

}  // namespace
}  // namespace pellumir
