#include <gtest/gtest.h>

#include "textrec/textrec.h"

using textrec::formatMask;
using textrec::plainNumber;

TEST(Mask, ScientificMasks) {
    EXPECT_EQ(formatMask(0.01234, "0.000E+00"), "1.234E-02");
    EXPECT_EQ(formatMask(1e8, "0.000E+00"), "1.000E+08");
    EXPECT_EQ(formatMask(0.0, "0.000E+00"), "0.000E+00");
    EXPECT_EQ(formatMask(9.9996, "0.000E+00"), "1.000E+01");
    EXPECT_EQ(formatMask(1.2345, "0.000E+00"), "1.235E+00");
    EXPECT_EQ(formatMask(-0.01234, "0.000E+00"), "-1.234E-02");
    EXPECT_EQ(formatMask(123.456, "0.00E+00"), "1.23E+02");
    EXPECT_EQ(formatMask(0.01234, "  0.000E+00"), "  1.234E-02");
    EXPECT_EQ(formatMask(0.0, "  0.000E+00"), "  0.000E+00");
    EXPECT_EQ(formatMask(1e8, "#.0E+00"), "1.0E+08");
    EXPECT_EQ(formatMask(1e9, "#.0E+00"), "1.0E+09");
    EXPECT_EQ(formatMask(3.4e38, "0.000E+00"), "3.400E+38");
    EXPECT_EQ(formatMask(1e-300, "0.000E+00"), "1.000E-300");
}

TEST(Mask, FixedMasksWithOptionalDigits) {
    EXPECT_EQ(formatMask(5, "#00.0"), "05.0");
    EXPECT_EQ(formatMask(150, "#00.0"), "150.0");
    EXPECT_EQ(formatMask(60, "#00.0"), "60.0");
    EXPECT_EQ(formatMask(5, "#0.0"), "5.0");
    EXPECT_EQ(formatMask(20, "#0.0"), "20.0");
    EXPECT_EQ(formatMask(80, "0000.0"), "0080.0");
    EXPECT_EQ(formatMask(0.5, "0000.0"), "0000.5");
    EXPECT_EQ(formatMask(0.41234, "0.00000"), "0.41234");
    EXPECT_EQ(formatMask(1, "0.00000"), "1.00000");
    EXPECT_EQ(formatMask(0.000004, "0.00000"), "0.00000");
    EXPECT_EQ(formatMask(0.000005, "0.00000"), "0.00001");
    EXPECT_EQ(formatMask(80, "000.0"), "080.0");
    EXPECT_EQ(formatMask(1, "##0.00"), "1.00");
    EXPECT_EQ(formatMask(0.6, "##0.00"), "0.60");
    EXPECT_EQ(formatMask(12, "00.0"), "12.0");
    EXPECT_EQ(formatMask(2.5, "00.000"), "02.500");
    EXPECT_EQ(formatMask(3.5, "0.0"), "3.5");
    EXPECT_EQ(formatMask(-0.04, "0.0"), "0.0");
    EXPECT_EQ(formatMask(-1.25, "0.0"), "-1.3");
}

TEST(Mask, RoundingHalfAwayOnFifteenDigits) {
    // 2.675 is stored as 2.67499999...; shown to the user as 2.68.
    EXPECT_EQ(formatMask(2.675, "0.00"), "2.68");
    EXPECT_EQ(formatMask(0.05, "0.0"), "0.1");
    EXPECT_EQ(formatMask(149.95, "#00.0"), "150.0");
    EXPECT_EQ(formatMask(9.95, "#0.0"), "10.0");
}

TEST(PlainNumber, ShortestText) {
    EXPECT_EQ(plainNumber(0), "0");
    EXPECT_EQ(plainNumber(5000), "5000");
    EXPECT_EQ(plainNumber(12.5), "12.5");
    EXPECT_EQ(plainNumber(0.05), "0.05");
    EXPECT_EQ(plainNumber(-3.75), "-3.75");
    EXPECT_EQ(plainNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(plainNumber(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(plainNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(plainNumber(1e15), "1E+15");
    EXPECT_EQ(plainNumber(0.00001), "0.00001");
    EXPECT_EQ(plainNumber(1.5e-7), "1.5E-07");
    EXPECT_EQ(plainNumber(0.5, 7, false), ".5");
    EXPECT_EQ(plainNumber(-0.25, 7, false), "-.25");
    EXPECT_EQ(plainNumber(194.0, 7, false), "194");
    EXPECT_EQ(plainNumber(1.0 / 3.0, 7, false), ".3333333");
}
