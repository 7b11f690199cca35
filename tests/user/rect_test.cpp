// Rectangle helpers.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Rectangles, IntersectOverlappingAndDisjoint) {
    RECT a, b, out;
    SetRect(&a, 0, 0, 10, 10);
    SetRect(&b, 5, 5, 20, 20);
    ASSERT_TRUE(IntersectRect(&out, &a, &b));
    EXPECT_EQ(out.left, 5);
    EXPECT_EQ(out.top, 5);
    EXPECT_EQ(out.right, 10);
    EXPECT_EQ(out.bottom, 10);
    SetRect(&b, 10, 0, 20, 10);  // touching edges do not intersect
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    EXPECT_TRUE(IsRectEmpty(&out));
    EXPECT_EQ(out.right, 0);
    EXPECT_FALSE(IntersectRect(nullptr, &a, &b));
}

TEST(Rectangles, OffsetInflateUnionEqual) {
    RECT r;
    SetRect(&r, 1, 2, 3, 4);
    OffsetRect(&r, 10, 20);
    RECT expected{11, 22, 13, 24};
    EXPECT_TRUE(EqualRect(&r, &expected));
    InflateRect(&r, 1, 2);
    expected = {10, 20, 14, 26};
    EXPECT_TRUE(EqualRect(&r, &expected));
    RECT other{0, 0, 5, 5}, u;
    ASSERT_TRUE(UnionRect(&u, &r, &other));
    expected = {0, 0, 14, 26};
    EXPECT_TRUE(EqualRect(&u, &expected));
    EXPECT_FALSE(EqualRect(&u, &other));
    EXPECT_FALSE(EqualRect(nullptr, &other));
}

TEST(Rectangles, PointInsideExcludesRightAndBottomEdges) {
    RECT r{0, 0, 10, 10};
    EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
    EXPECT_TRUE(PtInRect(&r, POINT{9, 9}));
    EXPECT_FALSE(PtInRect(&r, POINT{10, 5}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 10}));
    EXPECT_FALSE(PtInRect(&r, POINT{-1, 5}));
    EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}

TEST(Rectangles, EmptyMeansNoAreaOrInverted) {
    RECT r{5, 5, 5, 10};
    EXPECT_TRUE(IsRectEmpty(&r));
    r = {5, 5, 4, 10};
    EXPECT_TRUE(IsRectEmpty(&r));
    r = {5, 5, 6, 6};
    EXPECT_FALSE(IsRectEmpty(&r));
    EXPECT_TRUE(IsRectEmpty(nullptr));
    SetRectEmpty(&r);
    EXPECT_TRUE(IsRectEmpty(&r));
}

}  // namespace
