#include "stats/round_scale.h"

#include <gtest/gtest.h>

namespace qova {
namespace {

TEST(RoundScale, GivesTheNextMultipleOfTenUnlessTheTextEndsInZero) {
    struct Case {
        double value;
        double scale;
    } cases[] = {
        // Already ending in 0: unchanged.
        {10, 10},
        {520, 520},
        {1240, 1240},
        {0, 0},
        // The largest multiple of 10 not above value + 10.
        {523, 530},
        {5, 10},
        {0.5, 10},
        {123.4, 130},
        {466.6666, 470},
        {987, 990},
        {9.99, 10},
        {99995, 100000},
        {216.579, 220},
        // Near and past one million, where "%g" switches to exponent form.
        {999990.5, 999990.5}, // "%g" rounds it to "999990", as its label shows
        {999995, 1000000},
        {999999.5, 1000000},
        {1e6, 1e6},
        {1000001, 1000010},
        {1234567, 1234570},
        {1234570, 1234570}, // "1.23457e+06"
        {1.5e10, 1.5e10},   // "%g" ends in the exponent's 0, the value in 0 as well
        {12345678901.0, 12345678910.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(RoundScale(c.value), c.scale) << c.value;
    }
}

} // namespace
} // namespace qova
