#include "types/CTime.h"
#include "types/geometry.h"

#include <gtest/gtest.h>

TEST(CRect, IntersectUnionNormalize)
{
    CRect r;
    EXPECT_TRUE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(5, 5, 20, 20)));
    EXPECT_TRUE(r.EqualRect(CRect(5, 5, 10, 10)));
    EXPECT_FALSE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(10, 0, 20, 10)));
    EXPECT_TRUE(r.IsRectNull());

    r.UnionRect(CRect(0, 0, 0, 0), CRect(1, 2, 3, 4));
    EXPECT_EQ(r, CRect(1, 2, 3, 4));

    CRect flipped(10, 20, 0, 5);
    EXPECT_TRUE(flipped.IsRectEmpty());
    flipped.NormalizeRect();
    EXPECT_EQ(flipped, CRect(0, 5, 10, 20));
    EXPECT_EQ(flipped.Size(), CSize(10, 15));
}

TEST(DibRowBytes, PadsToFourBytes)
{
    EXPECT_EQ(DibRowBytes(1, 1), 4u);
    EXPECT_EQ(DibRowBytes(33, 1), 8u);
    EXPECT_EQ(DibRowBytes(3, 24), 12u);
    EXPECT_EQ(DibRowBytes(5, 4), 4u);
    EXPECT_EQ(DibRowBytes(65535, 24), 196608u);
    // Sizes from a hostile header neither wrap nor go negative.
    EXPECT_EQ(DibRowBytes(0x7FFFFFFF, 32), 8589934588u);
    EXPECT_EQ(DibRowBytes(-5, 24), 0u);
}

namespace {
time_t FixedNow() { return 1700000000; }
}

TEST(CTime, CurrentTimeComesFromTheInstalledSource)
{
    CTime::SetTimeSource(&FixedNow);
    EXPECT_EQ(CTime::GetCurrentTime().GetTime(), 1700000000);
    CTime::SetTimeSource(nullptr);
    EXPECT_GT(CTime::GetCurrentTime().GetTime(), 1700000000);
}

TEST(CTime, LocalFieldsRoundTrip)
{
    CTime t(2026, 12, 7, 13, 45, 30);
    EXPECT_EQ(t.GetYear(), 2026);
    EXPECT_EQ(t.GetMonth(), 12);
    EXPECT_EQ(t.GetDay(), 7);
    EXPECT_EQ(t.GetHour(), 13);
    EXPECT_EQ(t.GetMinute(), 45);
    EXPECT_EQ(t.GetSecond(), 30);
    EXPECT_EQ(t.GetDayOfWeek(), 2);  // a Monday
    EXPECT_EQ((t + CTimeSpan(1, 0, 0, 0)).GetDayOfWeek(), 3);
    EXPECT_EQ(t.Format("%Y-%m-%d"), "2026-12-07");
}
