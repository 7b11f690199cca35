// A clipper bound to a window: blits to the primary surface land only in the
// window's client area, in screen coordinates, and the clip list is that area.
#include "ddraw_fixture.h"

#include <windows.h>

#include <vector>

namespace {

LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* className() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = "WindowClipperTest";
        RegisterClassA(&wc);
        return "WindowClipperTest";
    }();
    return name;
}

class WindowClipperTest : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        normal();
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        ASSERT_EQ(DD_OK, dd->CreateSurface(&d, &primary, nullptr));
        ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    }
    void TearDown() override {
        if (hwnd && IsWindow(hwnd))
            DestroyWindow(hwnd);
        if (primary) {
            EXPECT_EQ(0u, primary->Release());  // lets go of the clipper too
        }
        if (clipper) {
            EXPECT_EQ(0u, clipper->Release());
        }
        DirectDrawTest::TearDown();
    }

    void makeWindow(DWORD style, int x, int y, int w, int h) {
        hwnd = CreateWindowExA(0, className(), "clipped", style | WS_VISIBLE, x, y, w, h, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_EQ(DD_OK, clipper->SetHWnd(0, hwnd));
        ASSERT_EQ(DD_OK, primary->SetClipper(clipper));
    }

    // Fills the whole primary white through the clipper after clearing it
    // black without one.
    void fillWhiteThroughClipper() {
        ASSERT_EQ(DD_OK, primary->SetClipper(nullptr));
        fill(primary, 0);
        ASSERT_EQ(DD_OK, primary->SetClipper(clipper));
        fill(primary, 0xFFFFFF);
    }

    // The bounding box of the white pixels of the primary.
    RECT whiteArea() {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        primary->GetSurfaceDesc(&d);
        const std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(primary);
        RECT box{LONG(d.dwWidth), LONG(d.dwHeight), 0, 0};
        for (LONG y = 0; y < LONG(d.dwHeight); ++y)
            for (LONG x = 0; x < LONG(d.dwWidth); ++x)
                if ((pixels[size_t(y) * d.dwWidth + size_t(x)] & 0xFFFFFF) == 0xFFFFFF) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }

    // Number of white pixels: a filled rectangle has exactly its area.
    size_t whiteCount() {
        size_t n = 0;
        for (uint32_t p : platform::testing::readSurfaceARGB(primary))
            n += (p & 0xFFFFFF) == 0xFFFFFF;
        return n;
    }

    static void expectRect(const RECT& expected, const RECT& actual) {
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        EXPECT_EQ(expected.right, actual.right);
        EXPECT_EQ(expected.bottom, actual.bottom);
    }

    std::vector<RECT> clipList(RECT* within = nullptr) {
        DWORD size = 0;
        EXPECT_EQ(DD_OK, clipper->GetClipList(within, nullptr, &size));
        std::vector<char> buffer(size);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        EXPECT_EQ(DD_OK, clipper->GetClipList(within, data, &size));
        EXPECT_EQ(DWORD(sizeof(RGNDATAHEADER)), data->rdh.dwSize);
        EXPECT_EQ(DWORD(RDH_RECTANGLES), data->rdh.iType);
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        return std::vector<RECT>(rects, rects + data->rdh.nCount);
    }

    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace

TEST_F(WindowClipperTest, BltToThePrimaryFillsOnlyAFramelessWindow) {
    makeWindow(WS_POPUP, 100, 50, 200, 150);
    fillWhiteThroughClipper();
    expectRect(RECT{100, 50, 300, 200}, whiteArea());
    EXPECT_EQ(200u * 150u, whiteCount());
}

TEST_F(WindowClipperTest, AFramedWindowClipsToItsClientAreaNotItsFrame) {
    makeWindow(WS_OVERLAPPEDWINDOW, 120, 80, 320, 240);
    RECT frame{};
    ASSERT_TRUE(GetWindowRect(hwnd, &frame));
    RECT client{};
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(hwnd, &origin));
    // The frame and caption take room: the client area starts inside.
    ASSERT_GT(origin.x, frame.left);
    ASSERT_GT(origin.y, frame.top);
    const RECT expected{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    fillWhiteThroughClipper();
    expectRect(expected, whiteArea());
    EXPECT_EQ(size_t(client.right) * size_t(client.bottom), whiteCount());
}

TEST_F(WindowClipperTest, ClippingFollowsTheWindowWhenItMoves) {
    makeWindow(WS_POPUP, 10, 10, 64, 32);
    ASSERT_TRUE(MoveWindow(hwnd, 500, 400, 40, 30, FALSE));
    fillWhiteThroughClipper();
    expectRect(RECT{500, 400, 540, 430}, whiteArea());
}

TEST_F(WindowClipperTest, AWindowPartlyOffTheScreenIsCutAtTheSurfaceEdge) {
    makeWindow(WS_POPUP, 1000, 740, 100, 100);  // desktop 1024 x 768
    fillWhiteThroughClipper();
    expectRect(RECT{1000, 740, 1024, 768}, whiteArea());
}

TEST_F(WindowClipperTest, DestinationRectangleAndClientAreaIntersect) {
    makeWindow(WS_POPUP, 100, 50, 200, 150);
    ASSERT_EQ(DD_OK, primary->SetClipper(nullptr));
    fill(primary, 0);
    ASSERT_EQ(DD_OK, primary->SetClipper(clipper));
    RECT dst{0, 0, 150, 100};
    fill(primary, 0xFFFFFF, &dst);
    expectRect(RECT{100, 50, 150, 100}, whiteArea());
}

TEST_F(WindowClipperTest, ClipListIsTheClientAreaInScreenCoordinates) {
    makeWindow(WS_POPUP, 100, 50, 200, 150);
    const std::vector<RECT> all = clipList();
    ASSERT_EQ(1u, all.size());
    expectRect(RECT{100, 50, 300, 200}, all[0]);
    RECT within{0, 0, 150, 120};
    const std::vector<RECT> part = clipList(&within);
    ASSERT_EQ(1u, part.size());
    expectRect(RECT{100, 50, 150, 120}, part[0]);
    RECT elsewhere{400, 400, 500, 500};
    EXPECT_TRUE(clipList(&elsewhere).empty());
}

TEST_F(WindowClipperTest, ADestroyedWindowLeavesNothingToDrawInto) {
    makeWindow(WS_POPUP, 100, 50, 200, 150);
    ASSERT_EQ(DD_OK, primary->SetClipper(nullptr));
    fill(primary, 0);
    ASSERT_EQ(DD_OK, primary->SetClipper(clipper));
    ASSERT_TRUE(DestroyWindow(hwnd));
    fill(primary, 0xFFFFFF);
    EXPECT_EQ(0u, whiteCount());
    EXPECT_TRUE(clipList().empty());
}

TEST_F(WindowClipperTest, OffScreenSurfacesStillClipToTheirOwnEdges) {
    makeWindow(WS_POPUP, 100, 50, 20, 20);
    IDirectDrawSurface4* off = create(8, 8, DDSCAPS_OFFSCREENPLAIN);
    ASSERT_NE(nullptr, off);
    fill(off, 0);
    ASSERT_EQ(DD_OK, off->SetClipper(clipper));
    fill(off, 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFFFu, pixel(off, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, pixel(off, 7, 7));
    ASSERT_EQ(DD_OK, off->SetClipper(nullptr));
    EXPECT_EQ(0u, off->Release());
}
