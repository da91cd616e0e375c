// The skinned frame shared by the main window and the command window: a
// borderless rounded pop-up, its frame bitmaps in image controls, moving by
// the top band and the minimise/exit highlight buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/skin_geometry.h"

namespace orvane {

// Background colour of both windows and of their background-coloured labels.
constexpr COLORREF kSkinBackground = RGB(kSkinBackgroundRed, kSkinBackgroundGreen, kSkinBackgroundBlue);

// Control identifiers of the frame's image controls. The highlight images
// report clicks (STN_CLICKED) to the window with these identifiers.
constexpr int kSkinTitleBandId = 9001;
constexpr int kSkinMinimiseId = 9002;
constexpr int kSkinExitId = 9003;

// Title of both windows (one leading blank; a running instance is found by it).
constexpr const wchar_t* kSkinWindowTitle = L" Orvane";

// Called first for every message of the skinned window. Return true when the
// message is handled and *result holds the answer; false lets the frame and
// then the system handle it.
using SkinMessageHandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)>;

// One skinned window. Create() builds the hidden, centred window with its
// region and frame bitmaps; Show() shows it. The frame handles:
//   - WM_ERASEBKGND with the background colour,
//   - WM_CTLCOLORSTATIC: background-coloured labels (text background set to
//     the background colour) unless the handler answered first,
//   - WM_TIMER of the hover timer (main window only),
//   - WM_LBUTTONDOWN on the window itself: DragByTopBand with the frame's
//     drag zone,
// and passes everything else on to the system. The window is destroyed with
// the object.
class SkinFrame {
 public:
  SkinFrame() = default;
  ~SkinFrame();
  SkinFrame(const SkinFrame&) = delete;
  SkinFrame& operator=(const SkinFrame&) = delete;

  // Creates the window (hidden, centred on the screen, title " Orvane",
  // rounded region of the whole client area with 13 x 13 corners) and the
  // frame's image controls: title band (disabled, so that clicks reach the
  // window), left, right and bottom borders, and the two highlight images,
  // hidden, above the title band. With params.hover the 100 ms hover timer
  // runs from Show() on. False when the window cannot be created.
  bool Create(const SkinFrameParams& params, SkinMessageHandler handler = nullptr);

  // Shows the window and paints it.
  void Show();

  HWND window() const { return window_; }
  HWND title_band() const { return title_band_; }
  HWND minimise_highlight() const { return minimise_highlight_; }
  HWND exit_highlight() const { return exit_highlight_; }
  const SkinFrameParams& params() const { return params_; }
  // Brush of the background colour, valid while the frame exists.
  HBRUSH background_brush() const { return background_; }

  // The hover routine (HoverSkinButtons) for this frame's window.
  void Hover();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  HWND AddImage(const SkinPlacement& placement, bool visible);

  SkinFrameParams params_{};
  SkinMessageHandler handler_;
  HWND window_ = nullptr;
  HWND title_band_ = nullptr;
  HWND minimise_highlight_ = nullptr;
  HWND exit_highlight_ = nullptr;
  HBRUSH background_ = nullptr;
};

// Loads the named bitmap resource (shared, default size) from the program, or
// from library_name when that is not empty (loaded for the call), and shows
// it in the image control. False when the bitmap cannot be loaded.
bool ShowSkinBitmap(HWND image, const std::wstring& bitmap_name, const std::wstring& library_name = L"");

// Opens file as a data file ("" = the program's own file), picks the image of
// icon group `group` that best fits size x size pixels, creates the icon and
// shows it in the image control (which then owns it). False on failure.
bool ShowResourceIcon(HWND image, const std::wstring& file, int group, int size);

// Creates an image control (SS_ICON) at (x, y) on parent showing icon group
// `group` of the program at `size` pixels. Returns the control; null on failure.
HWND CreateResourceIcon(HWND parent, int x, int y, int group, int size, int control_id = 0);

// For a left-button press at (x, y) (client coordinates) on the window
// itself: inside the zone (bounds included) hands the move to the system and
// redraws the window afterwards. True when a move was started.
bool DragByTopBand(HWND window, const PixelArea& drag_zone, int x, int y);

// After a left-button press on a highlight image: handles pending window
// events while the left button stays down; true when the image is visible
// when the button is released (the hover routine hides it as soon as the
// cursor leaves its area, so a press released elsewhere does not count).
bool ConfirmSkinClick(HWND highlight);

// The hover routine of the main window: shows "MINHO"/"EXTHO" while the
// cursor lies in their areas and hides them outside, handling pending events
// after each change. `window` is the frame's window.
void HoverSkinButtons(HWND window, HWND minimise_highlight, HWND exit_highlight);

// Hides the window with the closing animation (420 ms, slide from/to the
// centre).
void CloseWithAnimation(HWND window);

// Fetches and handles every pending event of this thread without waiting,
// so that labels are painted before long work.
void DrainWindowEvents();

}  // namespace orvane
