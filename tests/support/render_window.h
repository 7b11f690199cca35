// A test with a visible pop-up window of its own for a device framework to
// render in. After each test the framework is released, the window destroyed
// and injected failures cleared.
#pragma once

#include "d3dframe/d3dframe.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

class RenderWindowTest : public ::testing::Test {
protected:
    // With the application active; call it first thing in SetUp.
    void openWindow(int x, int y, int width, int height) {
        platform::testing::activateApplication();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "RenderWindowTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "RenderWindowTest", "Render Window", WS_POPUP | WS_VISIBLE, x, y,
                               width, height, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);
    }
    void TearDown() override {
        framework.ReleaseObjects();
        DestroyWindow(hWnd);
        platform::testing::clearInjectedFailures();
    }

    CD3DFramework framework;
    HWND hWnd = nullptr;
};
