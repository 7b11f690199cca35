// A clipper bound to a window: blits to the primary surface land only in the
// window's client area, in screen coordinates, and the clip list is that area.
#include "ddraw_fixture.h"

#include <windows.h>

#include <vector>

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

class WindowClipperTest : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "WindowClipperTest";
            return RegisterClassA(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        primary = make(surfaceDesc(DDSCAPS_PRIMARYSURFACE));
        ASSERT_NE(nullptr, primary);
        ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    }
    void TearDown() override {
        if (hwnd && IsWindow(hwnd))
            DestroyWindow(hwnd);
        releaseLast({primary, clipper});  // the primary lets go of the clipper first
        DirectDrawTest::TearDown();
    }

    // A window clipping the primary, which is black.
    void makeWindow(DWORD style, const RECT& at) {
        hwnd = CreateWindowExA(0, "WindowClipperTest", "clipped", style | WS_VISIBLE, at.left,
                               at.top, at.right, at.bottom, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_EQ(DD_OK, clipper->SetHWnd(0, hwnd));
        primary->SetClipper(nullptr);  // the previous window's, if any
        fill(primary, 0);
        ASSERT_EQ(DD_OK, primary->SetClipper(clipper));
    }

    // Expects the white pixels of the primary to be exactly the rectangle.
    void expectWhiteExactly(const RECT& r) {
        const LONG width = LONG(descOf(primary).dwWidth);
        const std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(primary);
        size_t wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const LONG x = LONG(i % width), y = LONG(i / width);
            const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            wrong += inside != ((pixels[i] & 0xFFFFFF) == 0xFFFFFF);
        }
        EXPECT_EQ(0u, wrong) << ::testing::PrintToString(r);
    }

    std::vector<RECT> clipList(RECT* within = nullptr) {
        DWORD size = 0;
        EXPECT_EQ(DD_OK, clipper->GetClipList(within, nullptr, &size));
        std::vector<char> buffer(size);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        EXPECT_EQ(DD_OK, clipper->GetClipList(within, data, &size));
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        return std::vector<RECT>(rects, rects + data->rdh.nCount);
    }

    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace

// Frameless windows (x, y, width, height) where they are made, after a move,
// partly off the 1024 x 768 desktop and once destroyed; a fill of the whole
// primary or of a destination rectangle.
TEST_F(WindowClipperTest, BltToThePrimaryFillsOnlyTheWindow) {
    const struct {
        RECT made, moved, dst, white;
        bool destroy;
    } cases[] = {{{100, 50, 200, 150}, {}, {}, {100, 50, 300, 200}, false},
                 {{10, 10, 64, 32}, {500, 400, 40, 30}, {}, {500, 400, 540, 430}, false},
                 {{1000, 740, 100, 100}, {}, {}, {1000, 740, 1024, 768}, false},
                 {{100, 50, 200, 150}, {}, {0, 0, 150, 100}, {100, 50, 150, 100}, false},
                 {{100, 50, 200, 150}, {}, {}, {}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.made));
        makeWindow(WS_POPUP, c.made);
        if (c.moved.right) {
            ASSERT_TRUE(
                MoveWindow(hwnd, c.moved.left, c.moved.top, c.moved.right, c.moved.bottom, FALSE));
        }
        if (c.destroy) {
            ASSERT_TRUE(DestroyWindow(hwnd));
            EXPECT_TRUE(clipList().empty());
        }
        RECT dst = c.dst;
        fill(primary, 0xFFFFFF, dst.right ? &dst : nullptr);
        expectWhiteExactly(c.white);
        DestroyWindow(hwnd);
    }
}

TEST_F(WindowClipperTest, AFramedWindowClipsToItsClientAreaNotItsFrame) {
    makeWindow(WS_OVERLAPPEDWINDOW, RECT{120, 80, 320, 240});
    RECT frame{}, client{};
    ASSERT_TRUE(GetWindowRect(hwnd, &frame));
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(hwnd, &origin));
    // The frame and caption take room: the client area starts inside.
    ASSERT_GT(origin.x, frame.left);
    ASSERT_GT(origin.y, frame.top);
    fill(primary, 0xFFFFFF);
    expectWhiteExactly(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

TEST_F(WindowClipperTest, ClipListIsTheClientAreaInScreenCoordinates) {
    makeWindow(WS_POPUP, RECT{100, 50, 200, 150});
    EXPECT_EQ((std::vector<RECT>{{100, 50, 300, 200}}), clipList());
    RECT within{0, 0, 150, 120};
    EXPECT_EQ((std::vector<RECT>{{100, 50, 150, 120}}), clipList(&within));
    RECT elsewhere{400, 400, 500, 500};
    EXPECT_TRUE(clipList(&elsewhere).empty());
}
