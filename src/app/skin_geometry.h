// Geometry of the two skinned windows: where the frame bitmaps sit, which
// part of the top band moves the window and where the minimise and exit
// buttons light up. Pure data and decisions, shared by the window code and
// its tests.
#pragma once

namespace orvane {

// A rectangle given by its first and last pixel (both bounds included).
struct PixelArea {
  int left;
  int top;
  int right;
  int bottom;
};

inline bool InPixelArea(const PixelArea& area, int x, int y) {
  return x >= area.left && x <= area.right && y >= area.top && y <= area.bottom;
}

// One frame bitmap: resource name, position and size in the window.
struct SkinPlacement {
  const wchar_t* bitmap;
  int x;
  int y;
  int width;
  int height;
};

struct SkinFrameParams {
  int client_width;
  int client_height;
  SkinPlacement title_band;
  SkinPlacement left_border;
  SkinPlacement right_border;
  SkinPlacement bottom_border;
  SkinPlacement minimise_highlight;
  SkinPlacement exit_highlight;
  PixelArea drag_zone;
  bool hover;  // does the hover routine light the buttons up?
};

// Window background, as red, green, blue.
constexpr unsigned char kSkinBackgroundRed = 215;
constexpr unsigned char kSkinBackgroundGreen = 228;
constexpr unsigned char kSkinBackgroundBlue = 242;

// Identifiers of the hover timer of the main window.
constexpr unsigned kSkinHoverTimerId = 92;
constexpr unsigned kSkinHoverPeriodMs = 100;

// Areas in which the hover routine shows the highlighted buttons. They are
// those of the main window.
constexpr PixelArea kMinimiseHoverArea{428, 0, 456, 18};
constexpr PixelArea kExitHoverArea{457, 0, 502, 18};

constexpr SkinFrameParams kMainFrame{
    512, 390,
    {L"TIL", 0, 0, 511, 47},
    {L"RLI", 0, 46, 8, 335},
    {L"RRE", 503, 46, 8, 335},
    {L"RUT", 0, 381, 511, 8},
    {L"MINHO", 428, 0, 29, 20},
    {L"EXTHO", 457, 0, 47, 20},
    {0, 0, 470, 36},
    true,
};

constexpr SkinFrameParams kCommandFrame{
    432, 355,
    {L"TILcmd", 0, 0, 431, 47},
    {L"RLI", 0, 46, 8, 335},
    {L"RRE", 423, 46, 8, 335},
    {L"RUTcmd", 0, 346, 432, 8},
    {L"MINHO", 392, 0, 29, 20},
    {L"EXTHO", 421, 0, 47, 20},
    {0, 0, 395, 36},
    false,
};

// Does a left-button press at (x, y) of the window start a move?
inline bool InDragZone(const SkinFrameParams& frame, int x, int y) {
  return InPixelArea(frame.drag_zone, x, y);
}

// What the hover routine wants for the two highlight images at a cursor
// position (window coordinates).
struct HoverState {
  bool minimise_lit;
  bool exit_lit;
};

inline HoverState HoverAt(int x, int y) {
  return HoverState{InPixelArea(kMinimiseHoverArea, x, y), InPixelArea(kExitHoverArea, x, y)};
}

}  // namespace orvane
