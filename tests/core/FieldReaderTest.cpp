#include "platform/core/FieldReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <string>

using zel::ReadIntField;
using zel::ReadRealField;

namespace {

struct IntCase {
    std::string line;
    std::size_t column;
    std::size_t width;
    std::optional<int> expected; // nullopt: the read fails
};

const IntCase kIntCases[] = {
    {"  3", 0, 3, 3},
    {"\t 42", 0, 4, 42},
    {"123456", 0, 3, 123}, // only the field is read
    {"123456", 3, 3, 456},
    {"12345678", 2, 4, 3456},
    {"  -7  ", 0, 6, -7},
    {"+5", 0, 2, 5},
    {"-0", 0, 2, 0},
    {"12ab", 0, 4, 12}, // trailing text is ignored
    {" 1 2", 0, 4, 1},
    {"1.5", 0, 3, 1},
    {"12", 1, 3, 2}, // clipped at the end of the line
    {"2147483647", 0, 10, INT_MAX},
    {"-2147483648", 0, 11, INT_MIN},
    {"00000000000000000042", 0, 20, 42},
    {"2147483648", 0, 10, std::nullopt},
    {"-2147483649", 0, 11, std::nullopt},
    {"99999999999999999999", 0, 20, std::nullopt},
    {"  4", 0, 2, std::nullopt}, // the digit lies outside the field
    {"   ", 0, 3, std::nullopt},
    {"", 0, 3, std::nullopt},
    {"12", 2, 3, std::nullopt},
    {"12", 50, 3, std::nullopt},
    {"12", 0, 0, std::nullopt},
    {"-", 0, 1, std::nullopt},
    {"+ 5", 0, 3, std::nullopt},
    {"+-5", 0, 3, std::nullopt},
    {"--5", 0, 3, std::nullopt},
    {"abc", 0, 3, std::nullopt},
    {"x12", 0, 3, std::nullopt},
};

TEST(FieldReader, Int) {
    for (const IntCase& c : kIntCases) {
        int value = -999;
        const bool ok = ReadIntField(c.line, c.column, c.width, value);
        SCOPED_TRACE("'" + c.line + "' at " + std::to_string(c.column) + " width " + std::to_string(c.width));
        EXPECT_EQ(ok, c.expected.has_value());
        EXPECT_EQ(value, c.expected.value_or(-999)); // untouched on failure
    }
}

struct RealCase {
    std::string line;
    std::size_t column;
    std::size_t width;
    std::optional<double> expected;
};

const RealCase kRealCases[] = {
    {"0.10000000D+01", 0, 14, 1.0},
    {"0.10000000d+01", 0, 14, 1.0},
    {"0.10000000E+01", 0, 14, 1.0},
    {"0.10000000e+01", 0, 14, 1.0},
    {"1.5D-3", 0, 6, 0.0015},
    {"1.5d3", 0, 5, 1500.0},
    {"   -2.5E+02", 0, 11, -250.0},
    {"\t+5", 0, 3, 5.0},
    {"5.", 0, 2, 5.0},
    {".5", 0, 2, 0.5},
    {"-.5", 0, 3, -0.5},
    {"7", 0, 1, 7.0},
    {"123.456789012", 0, 12, 123.45678901}, // cut inside the fraction
    {"  0.22143053  CHARGE =  8.0", 0, 12, 0.22143053},
    {"1.2345678D+01-9.8765432D-02", 0, 13, 12.345678}, // adjacent Fortran fields
    {"1.2345678D+01-9.8765432D-02", 13, 14, -0.098765432},
    {"1.5D-3", 0, 4, 1.5}, // the exponent lies outside the field
    {"1.5E", 0, 4, 1.5},   // a letter without digits ends the number
    {"1.5E+", 0, 5, 1.5},
    {"1.5D-x", 0, 6, 1.5},
    {"1.5Q3", 0, 5, 1.5},
    {"1.5 7", 0, 5, 1.5},
    {"1.5.7", 0, 5, 1.5},
    {"0x1p3", 0, 5, 0.0}, // decimal only: stops at the 'x'
    {"1.7976931348623157e308", 0, 22, 1.7976931348623157e308},
    {"4.9406564584124654e-324", 0, 23, 4.9406564584124654e-324},
    {"1e-400", 0, 6, 0.0}, // underflow reads as zero
    {"0." + std::string(400, '0') + "1", 0, 403, 0.0},
    {"1e400", 0, 5, std::nullopt},
    {"-1D+999", 0, 7, std::nullopt},
    {"1" + std::string(400, '0'), 0, 401, std::nullopt},
    {"0.0001e99999999999999999999", 0, 27, std::nullopt},
    {"0.1e-99999999999999999999", 0, 25, 0.0},
    {".", 0, 1, std::nullopt},
    {"-", 0, 1, std::nullopt},
    {"+.", 0, 2, std::nullopt},
    {"+-1.0", 0, 5, std::nullopt},
    {"e5", 0, 2, std::nullopt},
    {"D+01", 0, 4, std::nullopt},
    {"inf", 0, 3, std::nullopt},
    {"nan", 0, 3, std::nullopt},
    {"abc", 0, 3, std::nullopt},
    {"", 0, 12, std::nullopt},
    {"            ", 0, 12, std::nullopt},
    {"   1.25", 0, 3, std::nullopt}, // the number starts after the field
    {"1.0", 3, 12, std::nullopt},
    {"1.0", 40, 12, std::nullopt},
};

TEST(FieldReader, Real) {
    for (const RealCase& c : kRealCases) {
        double value = -999.0;
        const bool ok = ReadRealField(c.line, c.column, c.width, value);
        SCOPED_TRACE("'" + c.line.substr(0, 40) + "' at " + std::to_string(c.column) + " width " +
                     std::to_string(c.width));
        EXPECT_EQ(ok, c.expected.has_value());
        EXPECT_EQ(value, c.expected.value_or(-999.0)); // exact: both sides are correctly rounded
    }
}

TEST(FieldReader, RealKeepsTheSignOfZero) {
    const char* negativeZeros[] = {"-0.0", "-0D+00", "-1e-400"};
    for (const char* text : negativeZeros) {
        double value = 1.0;
        ASSERT_TRUE(ReadRealField(text, 0, 10, value)) << text;
        EXPECT_EQ(value, 0.0) << text;
        EXPECT_TRUE(std::signbit(value)) << text;
    }
    double value = -1.0;
    ASSERT_TRUE(ReadRealField("+0.0", 0, 4, value));
    EXPECT_FALSE(std::signbit(value));
}

TEST(FieldReader, Trim) {
    EXPECT_EQ(zel::Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(zel::Trim("\v\fx\f\v"), "x");
    EXPECT_EQ(zel::Trim("x"), "x");
    EXPECT_EQ(zel::Trim(" \t\r\n\v\f"), "");
    EXPECT_EQ(zel::Trim(""), "");
}

} // namespace
