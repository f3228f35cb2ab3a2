// Test fixture: the window system on the offscreen backend for the length of one test,
// plus helpers to pump messages until something happens.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "tiluui/platform/OffscreenBackend.h"
#include "tiluui/platform/Platform.h"

namespace TiluUI::Test {

class OffscreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto backend = std::make_unique<OffscreenBackend>();
        m_screen = backend.get();
        const PlatformResult r = Platform::Start(std::move(backend));
        ASSERT_TRUE(r.ok) << r.message;
    }
    void TearDown() override { Platform::Stop(); }

    /// Dispatches messages until `done` holds or `timeoutMs` passes; true when it held.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        MSG msg;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= until) return false;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    return done();
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                WaitMessage(10);
            }
        }
        return true;
    }
    /// Dispatches everything that is ready now.
    void PumpPending() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    OffscreenBackend* m_screen = nullptr;
};

}  // namespace TiluUI::Test
