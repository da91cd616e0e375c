// The skinned frame: its place and region, resource loading and moving by
// the top band. (The drag zones and which button the cursor lights
// are tested in tests/app/skin_geometry_test.cpp, the lit buttons in the main
// window's tests, and a click released elsewhere on the real program.)
#include <windows.h>

#include "ui/skin_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/win32_test_support.h"

namespace orvane {
namespace {

using namespace win32_test;

void MoveCursorTo(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  SetCursorPos(point.x, point.y);
}

TEST(SkinFrame, ResourceImagesLoadByNameAndIconsAtTheSizeAsked) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  HWND image = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BITMAP, 0, 0, 10, 10, frame.window(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  EXPECT_FALSE(ShowSkinBitmap(image, L"NOSUCH"));
  EXPECT_TRUE(ShowSkinBitmap(image, L"RUTcmd"));
  EXPECT_NE(0, SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0));
  EXPECT_FALSE(ShowSkinBitmap(image, L"TIL", L"no-such-library.dll"));
  const std::pair<int, int> icons[] = {{1, 48}, {2, 60}, {3, 55}, {4, 18}, {5, 29}, {6, 82}, {1, 16}, {6, 40}};
  for (const auto& icon : icons) {
    HWND control = CreateResourceIcon(frame.window(), 20, 60, icon.first, icon.second);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(control, STM_GETIMAGE, IMAGE_ICON, 0))), icon.second)
        << "group " << icon.first;
    DestroyWindow(control);
  }
  EXPECT_FALSE(ShowResourceIcon(image, L"", 77, 32));
  EXPECT_FALSE(ShowResourceIcon(image, L"Z:\\no\\such\\file.exe", 1, 32));
}

// Presses at (x, 10) of the window, drags by (dx, dy) and releases, from
// another thread while this one handles the window's events.
POINT DragFrom(HWND window, int x, int dx, int dy) {
  RECT before{}, after{};
  GetWindowRect(window, &before);
  MoveCursorTo(window, x, 10);
  PumpFor(100);
  std::atomic<bool> done{false};
  std::thread mouse([&] {
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    POINT start{};
    Sleep(150);
    GetCursorPos(&start);
    for (int step = 1; step <= 5; ++step) {
      SetCursorPos(start.x + dx * step / 5, start.y + dy * step / 5);
      Sleep(60);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Sleep(100);
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 10000);
  mouse.join();
  PumpFor(100);
  GetWindowRect(window, &after);
  return POINT{after.left - before.left, after.top - before.top};
}

// (The main frame's title and size are checked on the real program in
// tests/e2e/main_window.sh, which finds both frames by their titles.)
TEST(SkinFrame, CommandFrameOpensCentredAndRoundedHasNoHoverAndMovesOnlyInsideTheDragZone) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  HWND window = frame.window();
  EXPECT_FALSE(IsWindowVisible(window)) << "created hidden";
  frame.Show();
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_NEAR(outer.left + 216, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR(outer.top + 177, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0) || PtInRegion(region, 430, 353)) << "rounded corners";
  EXPECT_TRUE(PtInRegion(region, 12, 0) && PtInRegion(region, 0, 12) && PtInRegion(region, 216, 177));
  DeleteObject(region);

  // No hover routine lights a button under the cursor.
  MoveCursorTo(window, 430, 10);
  PumpFor(400);
  EXPECT_FALSE(IsWindowVisible(frame.minimise_highlight()) || IsWindowVisible(frame.exit_highlight()));
  EXPECT_FALSE(ConfirmSkinClick(frame.exit_highlight()));

  POINT moved = DragFrom(window, 396, 40, 30);
  EXPECT_EQ(moved.x * 1000 + moved.y, 0);
  moved = DragFrom(window, 395, 40, 30);
  if (moved.x == 0 && moved.y == 0) GTEST_SKIP() << "this display does not move windows";
  EXPECT_EQ(moved.x * 1000 + moved.y, 40 * 1000 + 30);
}

}  // namespace
}  // namespace orvane
