#include <gtest/gtest.h>

#include <cstring>

#include "numerics/Options.h"
#include "platform/core/Archive.h"

TEST(OptionsTest, DefaultsAreCurrentAndDefaultValues) {
    const CLAOptions la;
    const CCritOptions crit;
    const CDEOptions de;
    const CIntegOptions integ;
    const CSurfIntOptions surf;
    struct Row {
        const char* name;
        double current, def, expected;
    };
    const Row rows[] = {
        {"MaxQLIterations", double(la.MaxQLIterations.Current), double(la.MaxQLIterations.Default), 60},
        {"PivotThreshold", la.PivotThreshold.Current, la.PivotThreshold.Default, 1e-12},
        {"MinDistance", crit.MinDistance.Current, crit.MinDistance.Default, 0.1},
        {"StepTolerance", crit.StepTolerance.Current, crit.StepTolerance.Default, 1e-9},
        {"GradientTolerance", crit.GradientTolerance.Current, crit.GradientTolerance.Default, 1e-7},
        {"MaxIterations", double(crit.MaxIterations.Current), double(crit.MaxIterations.Default), 120},
        {"StepFactor", crit.StepFactor.Current, crit.StepFactor.Default, 1.0},
        {"PointDistance", de.PointDistance.Current, de.PointDistance.Default, 0.02},
        {"DE AbsAccuracy", de.AbsAccuracy.Current, de.AbsAccuracy.Default, 1e-7},
        {"DE RelAccuracy", de.RelAccuracy.Current, de.RelAccuracy.Default, 1e-6},
        {"MaxPathLength", de.MaxPathLength.Current, de.MaxPathLength.Default, 9.0},
        {"MinCritPointDistance", de.MinCritPointDistance.Current, de.MinCritPointDistance.Default, 0.01},
        {"MaxBisections", double(de.MaxBisections.Current), double(de.MaxBisections.Default), 24},
        {"SphereRadius", integ.SphereRadius.Current, integ.SphereRadius.Default, 0.5},
        {"Integ AbsAccuracy", integ.AbsAccuracy.Current, integ.AbsAccuracy.Default, 1e-4},
        {"Integ RelAccuracy", integ.RelAccuracy.Current, integ.RelAccuracy.Default, 1e-4},
        {"Integ StopS", integ.StopS.Current, integ.StopS.Default, 1e6},
        {"StopR", integ.StopR.Current, integ.StopR.Default, 9.0},
        {"RayStep", integ.RayStep.Current, integ.RayStep.Default, 1.0},
        {"MaxIntersections", double(integ.MaxIntersections.Current), double(integ.MaxIntersections.Default), 3},
        {"CircleRadius", surf.CircleRadius.Current, surf.CircleRadius.Default, 0.001},
        {"Surf AbsAccuracy", surf.AbsAccuracy.Current, surf.AbsAccuracy.Default, 1e-5},
        {"Surf RelAccuracy", surf.RelAccuracy.Current, surf.RelAccuracy.Default, 1e-5},
        {"Surf StopS", surf.StopS.Current, surf.StopS.Default, 1e6},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.current, r.expected) << r.name;
        EXPECT_EQ(r.def, r.expected) << r.name;
    }
}

TEST(OptionsTest, ResetRestoresDefaultsOnly) {
    CCritOptions crit;
    crit.StepTolerance.Current = 1e-8;
    crit.MaxIterations.Current = 5;
    crit.Reset();
    EXPECT_EQ(crit.StepTolerance.Current, 1e-9);
    EXPECT_EQ(crit.MaxIterations.Current, 120);

    CEnvMapOptions map;
    map.MinColor = 0x0000FF;
    map.MaxColor = 0xFF0000;
    map.Transparency = 0.5;
    map.MinValue = 3;
    map.MaxValue = 4;
    map.SphereSize = 1;
    map.SurfaceOnly = 0;
    map.DisplayMode = 1;
    map.Atoms.push_back(nullptr);
    map.Reset();
    EXPECT_EQ(map.MinValue, 0.1);
    EXPECT_EQ(map.MaxValue, 9999999.0);
    EXPECT_EQ(map.SphereSize, 0.1);
    EXPECT_TRUE(map.Atoms.empty());
    EXPECT_EQ(map.SurfaceOnly, 1);
    EXPECT_EQ(map.DisplayMode, 0);
    // Colours and transparency are the user's and survive emptying.
    EXPECT_EQ(map.MinColor, 0x0000FFu);
    EXPECT_EQ(map.MaxColor, 0xFF0000u);
    EXPECT_EQ(map.Transparency, 0.5);
}

TEST(OptionsTest, GlobalPointersAreUsableStandAlone) {
    ASSERT_NE(g_pLAOptions, nullptr);
    ASSERT_NE(g_pCritOptions, nullptr);
    ASSERT_NE(g_pDEOptions, nullptr);
    EXPECT_EQ(g_pLAOptions->MaxQLIterations.Current, 60);
}

TEST(OptionsTest, StreamBlockOrderAndRoundTrip) {
    CLAOptions la;
    CCritOptions crit;
    CDEOptions de;
    CIntegOptions integ;
    CSurfIntOptions surf;
    integ.RelAccuracy.Current = 3e-5;
    crit.StepTolerance.Current = 1e-8;
    zel::CArchive out;
    SerializeOptionBlock(out, la, crit, de, integ, surf);
    // Four ints and twenty doubles.
    ASSERT_EQ(out.Bytes().size(), 4u * 4 + 20u * 8);

    // The 17th value (basin relative accuracy) follows the stop value: after
    // 13 values (3 ints, 10 doubles) come sphere radius, stop s, absolute and
    // then relative accuracy.
    const std::size_t offset = 3 * 4 + 10 * 8 + 3 * 8;
    double stored = 0;
    std::memcpy(&stored, out.Bytes().data() + offset, sizeof stored);
    EXPECT_EQ(stored, 3e-5);

    CLAOptions la2;
    CCritOptions crit2;
    CDEOptions de2;
    CIntegOptions integ2;
    CSurfIntOptions surf2;
    zel::CArchive in(out.Bytes());
    SerializeOptionBlock(in, la2, crit2, de2, integ2, surf2);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(integ2.RelAccuracy.Current, 3e-5);
    EXPECT_EQ(crit2.StepTolerance.Current, 1e-8);
    // Loading changes current values only; defaults stay as constructed.
    EXPECT_EQ(crit2.StepTolerance.Default, 1e-9);
    crit2.Reset();
    EXPECT_EQ(crit2.StepTolerance.Current, 1e-9);

    zel::CArchive truncated(std::vector<std::uint8_t>(out.Bytes().begin(), out.Bytes().end() - 1));
    EXPECT_THROW(SerializeOptionBlock(truncated, la2, crit2, de2, integ2, surf2), zel::CArchiveException);
}
