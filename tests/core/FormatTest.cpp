#include "platform/core/Format.h"
#include "platform/core/FieldReader.h"
#include "platform/core/TextRecord.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

using zel::Sprintf;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

struct DoubleCase {
    const char* format;
    double value;
    const char* expected;
};

// Record layouts and the corners of the three-digit exponent.
const DoubleCase kDoubleCases[] = {
    {"%16.8le", 0.5, " 5.00000000e-001"},
    {"%16.8le", -0.5, "-5.00000000e-001"},
    {"%18.10le", -1.234567890123, "-1.2345678901e+000"},
    {"%18.10le", 6.02214076e23, " 6.0221407600e+023"},
    {"%16.8le", 9.9999999995e99, " 1.00000000e+100"}, // rounding carries into the exponent
    {"%12.6lf", 3.14159265, "    3.141593"},
    {"%12.6lf", -1234.5, "-1234.500000"},
    {"%10.4lf", -2.5, "   -2.5000"},
    {"%4.2lf", 1.005, "1.00"}, // 1.005 is stored just below the tie
    {"%4.2lf", 123.456, "123.46"},
    {"%e", 0.0, "0.000000e+000"},
    {"%e", -0.0, "-0.000000e+000"},
    {"%f", -0.0, "-0.000000"},
    {"%e", 1e-300, "1.000000e-300"},
    {"%E", 1e300, "1.000000E+300"},
    {"%.2e", 1e5, "1.00e+005"},
    {"%.0e", 5e-324, "5e-324"},
    {"%.0f", 0.5, "0"}, // exact ties round to even
    {"%.0f", 1.5, "2"},
    {"%.0f", 2.5, "2"},
    {"%f", 1e20, "100000000000000000000.000000"},
    {"%g", 0.0, "0"},
    {"%g", 0.0001, "0.0001"},
    {"%g", 0.00001, "1e-005"},
    {"%g", 123456.0, "123456"},
    {"%g", 1234567.0, "1.23457e+006"},
    {"%g", 999999.5, "1e+006"}, // form chosen after rounding
    {"%g", 2.5, "2.5"},
    {"%G", 1e-10, "1E-010"},
    {"%.3g", 1e300, "1e+300"},
    {"%.0g", 123.0, "1e+002"},
    {"%#g", 1.0, "1.00000"},
    {"%#g", 0.1, "0.100000"},
    {"%#g", 1e-5, "1.00000e-005"},
    {"%#.2g", 0.0, "0.0"},
    {"%#.3g", 1e-10, "1.00e-010"},
    // '#' keeps all P digits even when rounding moves to exponent form;
    // glibc drops them here ("1.e+06"), the C standard and the Windows
    // runtime do not.
    {"%#g", 999999.5, "1.00000e+006"},
    {"%#.2g", 99.995, "1.0e+002"},
    {"%#.0f", 3.0, "3."},
    {"%#.0e", 3.0, "3.e+000"},
    {"%010.3f", -1.5, "-00001.500"},
    {"%012.3e", 1.5, "001.500e+000"},
    {"%+012.3e", 1.5, "+01.500e+000"},
    {"%-12.3e|", -1.5, "-1.500e+000 |"},
    {"%-010.2f|", 1.0, "1.00      |"}, // '-' wins over '0'
    {"%+.2f", 2.0, "+2.00"},
    {"% .2f", 2.0, " 2.00"},
    {"%+ .2f", 2.0, "+2.00"}, // '+' wins over ' '
    {"%f", kInf, "inf"},
    {"%e", -kInf, "-inf"},
    {"%E", kInf, "INF"},
    {"%+g", kInf, "+inf"},
    {"%08.3f", kInf, "     inf"}, // never zero padded
    {"%-6f|", -kInf, "-inf  |"},
    {"%f", kNan, "nan"},
    {"%f", -kNan, "-nan"},
    {"%G", kNan, "NAN"},
    {"%16.8le", kNan, "             nan"},
};

TEST(Format, Doubles) {
    for (const DoubleCase& c : kDoubleCases)
        EXPECT_EQ(Sprintf(c.format, c.value), c.expected) << c.format << " of " << c.value;
}

struct IntCase {
    const char* format;
    int value;
    const char* expected;
};

const IntCase kIntCases[] = {
    {"%5d", 42, "   42"},
    {"%5d", -42, "  -42"},
    {"%5d", 1234567, "1234567"},
    {"%-5d|", 42, "42   |"},
    {"%05d", -42, "-0042"},
    {"%+d", 7, "+7"},
    {"% d", 7, " 7"},
    {"%+d", 0, "+0"},
    {"%i", -7, "-7"},
    {"%.3d", 7, "007"},
    {"%08.3d", 7, "     007"}, // a precision disables '0'
    {"%.0d", 0, ""},
    {"%3.0d|", 0, "   |"},
    {"%d", INT_MIN, "-2147483648"},
    {"%u", -1, "4294967295"},
    {"%x", 255, "ff"},
    {"%X", 0xBEEF, "BEEF"},
    {"%#x", 255, "0xff"},
    {"%#X", 255, "0XFF"},
    {"%#x", 0, "0"},
    {"%#08x", 255, "0x0000ff"},
    {"%o", 8, "10"},
    {"%#o", 8, "010"},
    {"%#.0o", 0, "0"},
    {"%#.3o", 8, "010"},
};

TEST(Format, Integers) {
    for (const IntCase& c : kIntCases)
        EXPECT_EQ(Sprintf(c.format, c.value), c.expected) << c.format << " of " << c.value;
}

TEST(Format, LengthModifiers) {
    EXPECT_EQ(Sprintf("%lld", LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(Sprintf("%llu", ULLONG_MAX), "18446744073709551615");
    EXPECT_EQ(Sprintf("%ld", -123456789012L), "-123456789012");
    EXPECT_EQ(Sprintf("%zu", SIZE_MAX), "18446744073709551615");
    EXPECT_EQ(Sprintf("%zd", static_cast<std::ptrdiff_t>(-5)), "-5");
    EXPECT_EQ(Sprintf("%hd", static_cast<short>(-3)), "-3");
    EXPECT_EQ(Sprintf("%hu", static_cast<unsigned short>(65535)), "65535");
    EXPECT_EQ(Sprintf("%hhd", static_cast<signed char>(-56)), "-56");
    EXPECT_EQ(Sprintf("%hhx", static_cast<unsigned char>(200)), "c8");
    EXPECT_EQ(Sprintf("%jd", INTMAX_MIN), "-9223372036854775808");
    EXPECT_EQ(Sprintf("%Lf", 0.1L), "0.100000");
    EXPECT_EQ(Sprintf("%.20Le", 1.0L / 3.0L), "3.33333333333333333342e-001");
    EXPECT_EQ(Sprintf("%Le", 1e-4000L), "1.000000e-4000");
    // 'l' on a floating conversion must not change which argument is read.
    EXPECT_EQ(Sprintf("%lf %d", 1.5, 7), "1.500000 7");
}

// Without the format attribute, so malformed directives can be passed.
std::string Unchecked(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = zel::VSprintf(format, args);
    va_end(args);
    return text;
}

TEST(Format, StringsCharsAndArguments) {
    EXPECT_EQ(Sprintf("%-10s|", "abc"), "abc       |");
    EXPECT_EQ(Sprintf("%10s|", "abc"), "       abc|");
    EXPECT_EQ(Sprintf("%.2s|", "abc"), "ab|");
    EXPECT_EQ(Sprintf("%-6.2s|", "abc"), "ab    |");
    EXPECT_EQ(Sprintf("%s", ""), "");
    EXPECT_EQ(Sprintf("%ls", L"H2O"), "H2O");
    EXPECT_EQ(Sprintf("%c%c", 'O', 'H'), "OH");
    EXPECT_EQ(Sprintf("%3c|%-3c|", 'x', 'y'), "  x|y  |");
    EXPECT_EQ(Sprintf("100%%"), "100%");
    EXPECT_EQ(Sprintf("no directives"), "no directives");
    EXPECT_EQ(Unchecked(""), "");
    EXPECT_EQ(Sprintf("%*d|", 5, 42), "   42|");
    EXPECT_EQ(Sprintf("%*d|", -5, 42), "42   |"); // negative width means '-'
    EXPECT_EQ(Sprintf("%.*f", 2, 3.14159), "3.14");
    EXPECT_EQ(Sprintf("%.*f", -1, 3.14159), "3.141590"); // negative precision means none
    EXPECT_EQ(Sprintf("%*.*e", 12, 1, 0.25), "    2.5e-001");
    EXPECT_EQ(Sprintf("Atom %3d %-4s%16.8le%16.8le", 12, "C", -1.0, 2.0e-10),
              "Atom  12 C   -1.00000000e+000 2.00000000e-010");
    const std::string longText(5000, 'x');
    EXPECT_EQ(Sprintf("[%s]", longText.c_str()), "[" + longText + "]");
}

TEST(Format, MalformedDirectivesAreCopied) {
    EXPECT_EQ(Unchecked("a%yb", 1), "a%yb");
    EXPECT_EQ(Unchecked("%5.2k|"), "%5.2k|");
    EXPECT_EQ(Unchecked("end%"), "end%");
    EXPECT_EQ(Unchecked("end%-5"), "end%-5");
}

// glibc's output in the "C" locale with the exponent widened to three
// digits. Only meaningful without a field width, as widening changes the
// padding.
std::string GlibcWithWideExponent(const char* format, double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    std::string text = buffer;
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if ((text[i] == 'e' || text[i] == 'E') && (text[i + 1] == '+' || text[i + 1] == '-')) {
            std::size_t digits = 0;
            while (i + 2 + digits < text.size() &&
                   std::isdigit(static_cast<unsigned char>(text[i + 2 + digits])))
                ++digits;
            if (digits < 3) text.insert(i + 2, 3 - digits, '0');
            break;
        }
    }
    return text;
}

TEST(Format, AgreesWithGlibcApartFromTheExponent) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const char* formats[] = {"%e", "%.0e", "%.3E",  "%.8le", "%.17e", "%f",  "%.0f", "%.12f", "%.3f",
                             "%g", "%.1g", "%.10g", "%.17g", "%G",    "%+e", "% f",  "%#.0e", "%#.0f"};
    const double values[] = {0.0,        -0.0,  0.5,       1.0,       -1.0,        1.005,
                             2.5,        0.1,   1.0 / 3.0, 2.0 / 3.0, 123456789.0, 9.9999999995e99,
                             1e-300,     1e300, 5e-324,    DBL_MAX,   DBL_MIN,     999999.5,
                             0.00001234, 1e-5,  1e15,      1e16,      12345.678,   -7.25e-7,
                             0.15,       0.25,  0.35,      1e100,     -9.5e-5,     99.995,
                             4.35,       1e23};
    for (const char* format : formats)
        for (double value : values)
            EXPECT_EQ(Sprintf(format, value), GlibcWithWideExponent(format, value))
                << format << " of " << value;
}

TEST(Format, RecordLines) {
    zel::CTextRecord record;
    record.Add(Sprintf("%5d%16.8le", 1, 0.5));
    record.Add("");
    record.Add(Sprintf("%s", ""));
    record.AddFront("");
    record.AddFront("Header");
    ASSERT_EQ(record.Size(), 5u);
    for (const std::string& line : record)
        EXPECT_FALSE(line.empty());
    EXPECT_EQ(record.ToText(), "Header\n \n    1 5.00000000e-001\n \n \n");
    record.Clear();
    EXPECT_EQ(record.Size(), 0u);
    EXPECT_EQ(record.ToText(), "");
}

// Restores the "C" locale however the test ends.
struct CLocaleRestorer {
    ~CLocaleRestorer() { std::setlocale(LC_ALL, "C"); }
};

bool SelectCommaDecimalLocale() {
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8",  "de_DE",       "fr_FR.UTF-8", "fr_FR.utf8",
                                "fr_FR",       "nl_NL.UTF-8", "ru_RU.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8"};
    for (const char* name : candidates) {
        if (std::setlocale(LC_ALL, name) != nullptr &&
            std::strcmp(std::localeconv()->decimal_point, ",") == 0)
            return true;
    }
    std::setlocale(LC_ALL, "C");
    return false;
}

TEST(Format, IgnoresCommaDecimalLocale) {
    CLocaleRestorer restorer;
    if (!SelectCommaDecimalLocale())
        GTEST_SKIP() << "no comma-decimal locale installed; tools/install-deps.sh generates de_DE.UTF-8";

    // Prove the locale is in force for the C library.
    char native[32];
    std::snprintf(native, sizeof native, "%.1f", 0.5);
    ASSERT_STREQ(native, "0,5");

    EXPECT_EQ(Sprintf("%.1f", 0.5), "0.5");
    EXPECT_EQ(Sprintf("%16.8le", 0.5), " 5.00000000e-001");
    EXPECT_EQ(Sprintf("%12.6lf", -1234.5), "-1234.500000");
    EXPECT_EQ(Sprintf("%g|%g", 0.25, 1.5e-7), "0.25|1.5e-007");
    EXPECT_EQ(Sprintf("%#.0f", 3.0), "3.");
    EXPECT_EQ(Sprintf("%.3Lf", 0.5L), "0.500");
    EXPECT_EQ(Sprintf("%d", 1234567), "1234567"); // no digit grouping

    double value = 0.0;
    ASSERT_TRUE(zel::ReadRealField("  0.10000000D+01", 0, 16, value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(zel::ReadRealField("-2.5E-03", 0, 8, value));
    EXPECT_EQ(value, -0.0025);
    ASSERT_TRUE(zel::ReadRealField("1,5", 0, 3, value)); // a comma ends the number
    EXPECT_EQ(value, 1.0);
    int count = 0;
    ASSERT_TRUE(zel::ReadIntField(" 12", 0, 3, count));
    EXPECT_EQ(count, 12);
}

} // namespace
