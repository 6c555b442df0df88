// The C library's double-precision calls give the right numbers. On the
// console its doubles are laid out with the high word first, unlike the
// compiler's; each of these goes through the program's wrapper there, and a
// missing or wrong turn of the words shows as a wildly wrong value here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Read through volatile, so the compiler cannot work the calls out itself.
volatile double two_and_a_half = 2.5;
volatile double minus_three_and_a_quarter = -3.25;
volatile double three = 3.0;
volatile double four = 4.0;

TEST(DoubleCalls, MathsAndConversionsGiveTheRightNumbers)
{
    EXPECT_EQ(std::floor(two_and_a_half), 2.0);
    EXPECT_EQ(std::ceil(two_and_a_half), 3.0);
    EXPECT_EQ(std::floor(minus_three_and_a_quarter), -4.0);
    EXPECT_EQ(std::sqrt(four * two_and_a_half * 0.9), 3.0);
    EXPECT_EQ(std::pow(two_and_a_half * 0.8, 10.0), 1024.0);
    EXPECT_EQ(std::fmod(two_and_a_half * 3, three), 1.5);
    EXPECT_EQ(std::hypot(three, four), 5.0);
    EXPECT_GT(std::nextafter(three, four), 3.0);
    EXPECT_LT(std::nextafter(three, four), 3.0000001);

    int exponent = 0;
    EXPECT_EQ(std::frexp(four * 3, &exponent), 0.75);
    EXPECT_EQ(exponent, 4);
    EXPECT_EQ(std::ldexp(minus_three_and_a_quarter, 3), -26.0);
    double whole = 0;
    EXPECT_EQ(std::modf(minus_three_and_a_quarter, &whole), -0.25);
    EXPECT_EQ(whole, -3.0);

    char* end = nullptr;
    EXPECT_EQ(std::strtod("3.25 left", &end), 3.25);
    EXPECT_STREQ(end, " left");
    EXPECT_EQ(std::strtold("-0.5", nullptr), -0.5L);
    EXPECT_EQ(std::atof("1e3"), 1000.0);
}

} // namespace
