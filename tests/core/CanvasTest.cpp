// The canvas interface: conversions to int, the mapping between logical and
// device units, and rectangles that may run upwards.

#include <climits>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/core/RecordingCanvas.h"

namespace {

TEST(Canvas, TruncToIntTruncatesAndClampsWhatACastCannotHold) {
    struct Case {
        double value;
        int expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case c : {Case{2.7, 2}, Case{-2.7, -2}, Case{-0.9, 0}, Case{2147483647.9, INT_MAX},
                         Case{1e300, INT_MAX}, Case{inf, INT_MAX}, Case{-2147483648.9, INT_MIN},
                         Case{-1e300, INT_MIN}, Case{-inf, INT_MIN}, Case{std::nan(""), 0}})
        EXPECT_EQ(zel::TruncToInt(c.value), c.expected) << c.value;
}

TEST(Canvas, MappingOfAPageOnTheDevice) {
    // 96 dots per inch, a 210 x 297 mm page with its centre at the origin,
    // scrolled 20 pixels down.
    zel::CRecordingCanvas dc(96.0 / 2540.0);
    dc.SetWindowOrg(-10500, 14850);
    dc.SetViewportOrg(0, -20);
    EXPECT_EQ(dc.LPtoDP({-10500, 14850}), (zel::CPoint{0, -20}));
    // 105 mm right and 148.5 mm down: 396.85 and 561.26 pixels.
    EXPECT_EQ(dc.LPtoDP({0, 0}), (zel::CPoint{397, 541}));
    EXPECT_EQ(dc.DPtoLP({397, 541}), (zel::CPoint{4, 7}));
    for (zel::CPoint p : {zel::CPoint{0, 0}, zel::CPoint{123, 456}, zel::CPoint{800, 3}})
        EXPECT_EQ(dc.LPtoDP(dc.DPtoLP(p)), p);
}

TEST(Canvas, RectanglesContainPointsWhicheverWayTheyRun) {
    // A text box on the page: y upwards, so its top is above its bottom.
    const zel::CRect box{1000, -1000, 3000, -1500};
    EXPECT_TRUE(box.Contains({1000, -1500}));
    EXPECT_TRUE(box.Contains({2999, -1001}));
    EXPECT_FALSE(box.Contains({3000, -1200}));
    EXPECT_FALSE(box.Contains({2000, -1000}));
    EXPECT_FALSE(box.Contains({2000, -1600}));
    EXPECT_EQ(box.Normalized(), (zel::CRect{1000, -1500, 3000, -1000}));
}

} // namespace
