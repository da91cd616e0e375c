#include "ui/skin_frame.h"

#include <windowsx.h>

#include <vector>

namespace orvane {

namespace {

constexpr const wchar_t* kSkinWindowClass = L"OrvaneSkinWindow";
constexpr int kCornerEllipse = 13;
constexpr DWORD kCloseAnimationMs = 420;
constexpr DWORD kCloseAnimationFlags = AW_HIDE | AW_SLIDE | AW_CENTER;  // 0x50010

bool RegisterSkinClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kSkinWindowClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_SHARED));
  wc.lpszClassName = kSkinWindowClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Replaces the image of a static control and frees the one it had before.
void SetControlImage(HWND image, UINT type, HANDLE handle) {
  HANDLE old = reinterpret_cast<HANDLE>(
      SendMessageW(image, STM_SETIMAGE, type, reinterpret_cast<LPARAM>(handle)));
  if (old && old != handle) {
    if (type == IMAGE_BITMAP) {
      DeleteObject(old);
    } else {
      DestroyIcon(static_cast<HICON>(old));
    }
  }
}

// The image's own visibility flag, whatever the window around it does.
bool IsShown(HWND image) { return (GetWindowLongPtrW(image, GWL_STYLE) & WS_VISIBLE) != 0; }

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
struct IconGroupHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

// The image of an icon group that best fits size: the smallest one at least
// as large, otherwise the largest; among equal sizes the deepest colours.
int BestIconId(const BYTE* group, DWORD group_bytes, int size) {
  if (group_bytes < sizeof(IconGroupHeader)) return 0;
  const auto* header = reinterpret_cast<const IconGroupHeader*>(group);
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(group + sizeof(IconGroupHeader));
  size_t count = header->count;
  if (sizeof(IconGroupHeader) + count * sizeof(IconGroupEntry) > group_bytes) return 0;
  int best_id = 0;
  int best_size = 0;
  int best_depth = 0;
  for (size_t i = 0; i < count; ++i) {
    int entry_size = entries[i].width == 0 ? 256 : entries[i].width;
    int depth = entries[i].bit_count;
    bool better;
    if (best_id == 0) {
      better = true;
    } else if ((entry_size >= size) != (best_size >= size)) {
      better = entry_size >= size;
    } else if (entry_size != best_size) {
      better = entry_size >= size ? entry_size < best_size : entry_size > best_size;
    } else {
      better = depth > best_depth;
    }
    if (better) {
      best_id = entries[i].id;
      best_size = entry_size;
      best_depth = depth;
    }
  }
  return best_id;
}

}  // namespace

SkinFrame::~SkinFrame() {
  if (!window_) return;
  if (params_.hover) KillTimer(window_, kSkinHoverTimerId);
  // Image controls do not free their bitmaps; collect them before the
  // controls go.
  std::vector<HGDIOBJ> bitmaps;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    if (id >= kSkinTitleBandId && id <= kSkinExitId + 3) {
      HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
      if (bitmap) bitmaps.push_back(bitmap);
    }
  }
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  for (HGDIOBJ bitmap : bitmaps) DeleteObject(bitmap);
  if (background_) DeleteObject(background_);
}

bool SkinFrame::Create(const SkinFrameParams& params, SkinMessageHandler handler) {
  if (window_) return false;
  params_ = params;
  handler_ = std::move(handler);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterSkinClass(instance, &SkinFrame::WindowProc)) return false;
  background_ = CreateSolidBrush(kSkinBackground);

  int x = (GetSystemMetrics(SM_CXSCREEN) - params.client_width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - params.client_height) / 2;
  HWND window = CreateWindowExW(0, kSkinWindowClass, kSkinWindowTitle,
                                WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                params.client_width, params.client_height, nullptr, nullptr, instance, this);
  if (!window) return false;
  // A borderless pop-up: the client area is the whole window; make sure of
  // it in case a theme adds anything.
  RECT client{};
  GetClientRect(window, &client);
  if (client.right != params.client_width || client.bottom != params.client_height) {
    RECT outer{0, 0, params.client_width, params.client_height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HRGN region = CreateRoundRectRgn(0, 0, params.client_width, params.client_height, kCornerEllipse, kCornerEllipse);
  if (region && !SetWindowRgn(window, region, TRUE)) DeleteObject(region);

  title_band_ = AddImage(params.title_band, true);
  if (title_band_) {
    SetWindowLongPtrW(title_band_, GWLP_ID, kSkinTitleBandId);
    EnableWindow(title_band_, FALSE);
  }
  HWND left = AddImage(params.left_border, true);
  HWND right = AddImage(params.right_border, true);
  HWND bottom = AddImage(params.bottom_border, true);
  if (left) SetWindowLongPtrW(left, GWLP_ID, kSkinExitId + 1);
  if (right) SetWindowLongPtrW(right, GWLP_ID, kSkinExitId + 2);
  if (bottom) SetWindowLongPtrW(bottom, GWLP_ID, kSkinExitId + 3);
  minimise_highlight_ = AddImage(params.minimise_highlight, false);
  exit_highlight_ = AddImage(params.exit_highlight, false);
  if (minimise_highlight_) SetWindowLongPtrW(minimise_highlight_, GWLP_ID, kSkinMinimiseId);
  if (exit_highlight_) SetWindowLongPtrW(exit_highlight_, GWLP_ID, kSkinExitId);
  // Where the pieces overlap (the command window's borders reach below its
  // bottom border) the bottom border lies above the side borders; the
  // highlight images lie above everything, the title band included.
  for (HWND piece : {bottom, minimise_highlight_, exit_highlight_}) {
    if (piece) SetWindowPos(piece, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return true;
}

HWND SkinFrame::AddImage(const SkinPlacement& placement, bool visible) {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | SS_BITMAP | SS_NOTIFY | (visible ? WS_VISIBLE : 0);
  HWND image = CreateWindowExW(0, L"STATIC", L"", style, placement.x, placement.y, placement.width,
                               placement.height, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!image) return nullptr;
  ShowSkinBitmap(image, placement.bitmap);
  // SS_BITMAP sizes the control to the bitmap; keep the frame's geometry.
  SetWindowPos(image, nullptr, placement.x, placement.y, placement.width, placement.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return image;
}

void SkinFrame::Show() {
  if (!window_) return;
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
  if (params_.hover) SetTimer(window_, kSkinHoverTimerId, kSkinHoverPeriodMs, nullptr);
}

void SkinFrame::Hover() { HoverSkinButtons(window_, minimise_highlight_, exit_highlight_); }

LRESULT CALLBACK SkinFrame::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* frame = static_cast<SkinFrame*>(create->lpCreateParams);
    frame->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<SkinFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!frame) return DefWindowProcW(window, message, wparam, lparam);
  return frame->Handle(message, wparam, lparam);
}

LRESULT SkinFrame::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  if (handler_) {
    LRESULT result = 0;
    if (handler_(window_, message, wparam, lparam, &result)) return result;
  }
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(window_, &area);
      FillRect(reinterpret_cast<HDC>(wparam), &area, background_);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkColor(dc, kSkinBackground);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_TIMER:
      if (wparam == kSkinHoverTimerId && params_.hover) {
        Hover();
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      DragByTopBand(window_, params_.drag_zone, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

bool ShowSkinBitmap(HWND image, const std::wstring& bitmap_name, const std::wstring& library_name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HMODULE library = nullptr;
  if (!library_name.empty()) {
    library = LoadLibraryExW(library_name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library) return false;
    module = library;
  }
  // Loaded unshared so that the bitmap outlives a library released below;
  // the image control's owner frees it.
  HANDLE bitmap = LoadImageW(module, bitmap_name.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
  if (library) FreeLibrary(library);
  if (!bitmap) return false;
  SetControlImage(image, IMAGE_BITMAP, bitmap);
  return true;
}

bool ShowResourceIcon(HWND image, const std::wstring& file, int group, int size) {
  // The program's own icons come from its loaded image; another file is
  // opened as data for the time of the lookup.
  HMODULE library = file.empty() ? GetModuleHandleW(nullptr)
                                 : LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!library) return false;
  HICON icon = nullptr;
  HRSRC group_info = FindResourceW(library, MAKEINTRESOURCEW(group), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  HGLOBAL group_data = group_info ? LoadResource(library, group_info) : nullptr;
  const BYTE* group_bytes = group_data ? static_cast<const BYTE*>(LockResource(group_data)) : nullptr;
  int id = group_bytes ? BestIconId(group_bytes, SizeofResource(library, group_info), size) : 0;
  HRSRC icon_info = id ? FindResourceW(library, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3) /* RT_ICON */) : nullptr;
  HGLOBAL icon_data = icon_info ? LoadResource(library, icon_info) : nullptr;
  BYTE* icon_bytes = icon_data ? static_cast<BYTE*>(LockResource(icon_data)) : nullptr;
  if (icon_bytes) {
    icon = CreateIconFromResourceEx(icon_bytes, SizeofResource(library, icon_info), TRUE, 0x00030000, size,
                                    size, LR_DEFAULTCOLOR);
  }
  if (!file.empty()) FreeLibrary(library);
  if (!icon) return false;
  SetControlImage(image, IMAGE_ICON, icon);
  return true;
}

HWND CreateResourceIcon(HWND parent, int x, int y, int group, int size, int control_id) {
  HWND image = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_NOTIFY | SS_REALSIZEIMAGE,
                               x, y, size, size, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                               GetModuleHandleW(nullptr), nullptr);
  if (!image) return nullptr;
  ShowResourceIcon(image, L"", group, size);
  SetWindowPos(image, nullptr, x, y, size, size, SWP_NOZORDER | SWP_NOACTIVATE);
  return image;
}

bool DragByTopBand(HWND window, const PixelArea& drag_zone, int x, int y) {
  if (!InPixelArea(drag_zone, x, y)) return false;
  ReleaseCapture();
  SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return true;
}

bool ConfirmSkinClick(HWND highlight) {
  if (!highlight || !IsShown(highlight)) return false;
  for (;;) {
    DrainWindowEvents();
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) break;
    Sleep(5);
  }
  return IsShown(highlight);
}

void HoverSkinButtons(HWND window, HWND minimise_highlight, HWND exit_highlight) {
  POINT cursor;
  if (!window || !GetCursorPos(&cursor)) return;
  ScreenToClient(window, &cursor);
  HoverState wanted = HoverAt(cursor.x, cursor.y);
  const struct {
    HWND image;
    bool lit;
  } buttons[] = {{minimise_highlight, wanted.minimise_lit}, {exit_highlight, wanted.exit_lit}};
  for (const auto& button : buttons) {
    if (!button.image) continue;
    bool shown = IsShown(button.image);
    if (shown == button.lit) continue;
    ShowWindow(button.image, button.lit ? SW_SHOWNA : SW_HIDE);
    DrainWindowEvents();
  }
}

void CloseWithAnimation(HWND window) {
  if (!AnimateWindow(window, kCloseAnimationMs, kCloseAnimationFlags)) ShowWindow(window, SW_HIDE);
}

void DrainWindowEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Keep the end request for the loop that waits for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace orvane
