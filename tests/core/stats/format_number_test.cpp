#include "stats/format_number.h"

#include <gtest/gtest.h>

namespace qova {
namespace {

TEST(FormatNumber, WritesLikePercentG) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {523, "523"},
        {0.5, "0.5"},
        {466.6666, "466.667"},
        {250.0, "250"},
        {10, "10"},
        {-99, "-99"},
        {0, "0"},
        {999999.5, "1e+06"},
        {1e6, "1e+06"},
        {1234567, "1.23457e+06"},
        {123.4, "123.4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text) << c.value;
    }
}

TEST(ParseNumber, ReadsLikeAtof) {
    EXPECT_DOUBLE_EQ(ParseNumber("-99"), -99.0);
    EXPECT_DOUBLE_EQ(ParseNumber("250ms"), 250.0);
    EXPECT_DOUBLE_EQ(ParseNumber("1.23457e+06"), 1234570.0);
    EXPECT_DOUBLE_EQ(ParseNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ParseNumber(""), 0.0);
}

} // namespace
} // namespace qova
