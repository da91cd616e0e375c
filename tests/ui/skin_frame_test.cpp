// The skinned frame: window, region and frame images, resource loading, the
// hover routine, confirmed clicks and moving by the top band.
#include <windows.h>

#include "ui/skin_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orvane {
namespace {

RECT RectIn(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Shown(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

SIZE BitmapSize(HWND image) {
  HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

int IconWidth(HWND image) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(image, STM_GETIMAGE, IMAGE_ICON, 0));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    DrainWindowEvents();
    Sleep(5);
  }
}

void MoveCursorTo(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  SetCursorPos(point.x, point.y);
}

void SendButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

bool LeftButtonDown() { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; }

TEST(SkinFrame, MainFrameWindowRegionAndImages) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kMainFrame));
  HWND window = frame.window();
  EXPECT_FALSE(IsWindowVisible(window)) << "created hidden";
  frame.Show();
  EXPECT_TRUE(IsWindowVisible(window));

  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  EXPECT_STREQ(title, L" Orvane");
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 512);
  EXPECT_EQ(client.bottom, 390);
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_NEAR(outer.left + 256, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR(outer.top + 195, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0)) << "rounded corner";
  EXPECT_FALSE(PtInRegion(region, 510, 388));
  EXPECT_TRUE(PtInRegion(region, 12, 0));
  EXPECT_TRUE(PtInRegion(region, 0, 12));
  EXPECT_TRUE(PtInRegion(region, 256, 195));
  DeleteObject(region);

  struct Image {
    HWND handle;
    SkinPlacement placement;
    bool enabled;
    bool shown;
  };
  HWND band = frame.title_band();
  const Image images[] = {
      {band, kMainFrame.title_band, false, true},
      {frame.minimise_highlight(), kMainFrame.minimise_highlight, true, false},
      {frame.exit_highlight(), kMainFrame.exit_highlight, true, false},
  };
  for (const Image& image : images) {
    ASSERT_NE(image.handle, nullptr) << image.placement.bitmap;
    RECT rect = RectIn(image.handle, window);
    EXPECT_EQ(rect.left, image.placement.x);
    EXPECT_EQ(rect.top, image.placement.y);
    EXPECT_EQ(rect.right - rect.left, image.placement.width);
    EXPECT_EQ(rect.bottom - rect.top, image.placement.height);
    SIZE size = BitmapSize(image.handle);
    EXPECT_EQ(size.cx, image.placement.width) << image.placement.bitmap;
    EXPECT_EQ(size.cy, image.placement.height) << image.placement.bitmap;
    EXPECT_EQ(IsWindowEnabled(image.handle) != FALSE, image.enabled);
    EXPECT_EQ(Shown(image.handle), image.shown);
  }
  // The other frame pieces, by position.
  for (const SkinPlacement& piece : {kMainFrame.left_border, kMainFrame.right_border, kMainFrame.bottom_border}) {
    POINT inside{piece.x + 1, piece.y + 1};
    HWND found = ChildWindowFromPointEx(window, inside, CWP_SKIPINVISIBLE);
    ASSERT_NE(found, window) << piece.bitmap;
    SIZE size = BitmapSize(found);
    EXPECT_EQ(size.cx, piece.width) << piece.bitmap;
    EXPECT_EQ(size.cy, piece.height) << piece.bitmap;
  }
}

TEST(SkinFrame, ResourceImagesLoadByNameAndIconsAtTheSizeAsked) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  HWND image = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BITMAP, 0, 0, 10, 10, frame.window(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  EXPECT_FALSE(ShowSkinBitmap(image, L"NOSUCH"));
  EXPECT_TRUE(ShowSkinBitmap(image, L"RUTcmd"));
  EXPECT_EQ(BitmapSize(image).cx, 432);
  EXPECT_FALSE(ShowSkinBitmap(image, L"TIL", L"no-such-library.dll"));

  const struct {
    int group;
    int size;
  } icons[] = {{1, 48}, {2, 60}, {3, 55}, {4, 18}, {5, 29}, {6, 82}, {1, 16}, {6, 40}};
  for (const auto& icon : icons) {
    HWND control = CreateResourceIcon(frame.window(), 20, 60, icon.group, icon.size);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(IconWidth(control), icon.size) << "group " << icon.group;
    DestroyWindow(control);
  }
  HWND control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_ICON, 0, 0, 10, 10, frame.window(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  EXPECT_FALSE(ShowResourceIcon(control, L"", 77, 32));
  EXPECT_FALSE(ShowResourceIcon(control, L"Z:\\no\\such\\file.exe", 1, 32));
}

TEST(SkinFrame, HoverLightsTheButtonUnderTheCursor) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kMainFrame));
  frame.Show();
  HWND window = frame.window();
  MoveCursorTo(window, 440, 10);
  frame.Hover();
  EXPECT_TRUE(Shown(frame.minimise_highlight()));
  EXPECT_FALSE(Shown(frame.exit_highlight()));
  MoveCursorTo(window, 502, 18);
  frame.Hover();
  EXPECT_FALSE(Shown(frame.minimise_highlight()));
  EXPECT_TRUE(Shown(frame.exit_highlight()));
  MoveCursorTo(window, 480, 19);
  frame.Hover();
  EXPECT_FALSE(Shown(frame.exit_highlight()));
  // The timer does the same on its own.
  MoveCursorTo(window, 457, 0);
  PumpFor(400);
  EXPECT_TRUE(Shown(frame.exit_highlight()));
  MoveCursorTo(window, 200, 200);
  PumpFor(400);
  EXPECT_FALSE(Shown(frame.exit_highlight()));
}

TEST(SkinFrame, CommandFrameHasNoHoverRoutine) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  frame.Show();
  MoveCursorTo(frame.window(), 430, 10);
  PumpFor(400);
  EXPECT_FALSE(Shown(frame.minimise_highlight()));
  EXPECT_FALSE(Shown(frame.exit_highlight()));
  EXPECT_FALSE(ConfirmSkinClick(frame.exit_highlight()));
}

// Presses the left button over the exit button, optionally moves away, and
// releases it from another thread while ConfirmSkinClick waits.
bool ClickExit(SkinFrame& frame, bool move_away) {
  HWND window = frame.window();
  MoveCursorTo(window, 480, 10);
  PumpFor(300);
  SendButton(MOUSEEVENTF_LEFTDOWN);
  std::thread mouse([&] {
    Sleep(200);
    if (move_away) MoveCursorTo(window, 300, 200);
    Sleep(400);
    SendButton(MOUSEEVENTF_LEFTUP);
  });
  PumpFor(50);
  bool confirmed = ConfirmSkinClick(frame.exit_highlight());
  mouse.join();
  PumpFor(100);
  return confirmed;
}

TEST(SkinFrame, ClickCountsOnlyWhenReleasedOnTheButton) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kMainFrame));
  frame.Show();
  MoveCursorTo(frame.window(), 300, 200);
  SendButton(MOUSEEVENTF_LEFTDOWN);
  PumpFor(50);
  bool async_state_works = LeftButtonDown();
  SendButton(MOUSEEVENTF_LEFTUP);
  PumpFor(50);
  if (!async_state_works) GTEST_SKIP() << "this display does not report the button state";
  EXPECT_TRUE(ClickExit(frame, false));
  EXPECT_FALSE(ClickExit(frame, true));
}

// Presses at (x, 10) of the window, drags by (dx, dy) and releases, from
// another thread while this one handles the window's events.
POINT DragFrom(HWND window, int x, int dx, int dy) {
  RECT before{};
  GetWindowRect(window, &before);
  MoveCursorTo(window, x, 10);
  PumpFor(100);
  std::atomic<bool> done{false};
  std::thread mouse([&] {
    SendButton(MOUSEEVENTF_LEFTDOWN);
    POINT start{};
    Sleep(150);
    GetCursorPos(&start);
    for (int step = 1; step <= 5; ++step) {
      SetCursorPos(start.x + dx * step / 5, start.y + dy * step / 5);
      Sleep(60);
    }
    SendButton(MOUSEEVENTF_LEFTUP);
    Sleep(100);
    done = true;
  });
  while (!done) PumpFor(10);
  mouse.join();
  PumpFor(100);
  RECT after{};
  GetWindowRect(window, &after);
  return POINT{after.left - before.left, after.top - before.top};
}

TEST(SkinFrame, TopBandMovesTheWindowOnlyInsideTheDragZone) {
  // The command frame: no hover routine lights a button under the press.
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  frame.Show();
  HWND window = frame.window();
  EXPECT_FALSE(DragByTopBand(window, kMainFrame.drag_zone, 471, 10));
  EXPECT_FALSE(DragByTopBand(window, kCommandFrame.drag_zone, 10, 37));

  POINT moved = DragFrom(window, 396, 40, 30);
  EXPECT_EQ(moved.x, 0);
  EXPECT_EQ(moved.y, 0);
  moved = DragFrom(window, 395, 40, 30);
  if (moved.x == 0 && moved.y == 0) GTEST_SKIP() << "this display does not move windows";
  EXPECT_EQ(moved.x, 40);
  EXPECT_EQ(moved.y, 30);
}

TEST(SkinFrame, CloseWithAnimationHidesTheWindow) {
  SkinFrame frame;
  ASSERT_TRUE(frame.Create(kCommandFrame));
  frame.Show();
  CloseWithAnimation(frame.window());
  EXPECT_FALSE(IsWindowVisible(frame.window()));
}

}  // namespace
}  // namespace orvane
