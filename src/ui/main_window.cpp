#include "ui/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "app/driver_rows.h"
#include "app/source_listing.h"
#include "app/startup.h"
#include "app/worker_state.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"
#include "ui/source_chooser.h"
#include "ui/win32_view.h"

namespace orvane {

namespace {

constexpr const wchar_t* kPageClass = L"OrvanePage";
constexpr COLORREF kWhite = RGB(255, 255, 255);

using K = ControlKind;
using F = FontRole;
using B = Backdrop;

// Shorthands for the table below.
ControlSpec Label(int page, int id, int x, int y, int w, int h, int slot, F font = F::kDefault,
                  DWORD style = 0, B backdrop = B::kWhite) {
  return {page, id, K::kLabel, x, y, w, h, slot, nullptr, font, style, backdrop, 0, false};
}
ControlSpec Literal(int page, int id, int x, int y, int w, int h, const wchar_t* text, F font = F::kDefault) {
  return {page, id, K::kLabel, x, y, w, h, kNoTextSlot, text, font, 0, B::kWhite, 0, false};
}
ControlSpec Empty(int page, int id, int x, int y, int w, int h, DWORD style = 0, B backdrop = B::kWhite) {
  return {page, id, K::kLabel, x, y, w, h, kNoTextSlot, nullptr, F::kDefault, style, backdrop, 0, false};
}
ControlSpec Rule(int page, int id, int y, int width = 475) {
  return {page, id, K::kRule, 10, y, width, 1, kNoTextSlot, nullptr, F::kDefault, 0, B::kWhite, 0, false};
}
ControlSpec Image(int page, int id, int x, int y, int group, int size, bool clickable = false) {
  return {page, id, K::kImage, x, y, size, size, kNoTextSlot, nullptr, F::kDefault, 0, B::kWhite, group, clickable};
}
ControlSpec Control(int page, int id, K kind, int x, int y, int w, int h, int slot = kNoTextSlot,
                    const wchar_t* literal = nullptr) {
  return {page, id, kind, x, y, w, h, slot, literal, F::kDefault, 0, B::kWhite, 0, false};
}

std::vector<ControlSpec> BuildControls() {
  const DWORD kValue = SS_NOPREFIX;  // value labels show paths and names as they are
  return {
      // Page 1: mode choice.
      Label(1, kModeTitle, 160, 7, 300, 26, TxtModeTitle, F::kTitle),
      Rule(1, kModeRuleTop, 34),
      Label(1, kModeHeading, 10, 36, 300, 22, TxtModeHeading, F::kHeading),
      Image(1, kModeSystemDiskIcon, 60, 80, 2, 60),
      Control(1, kModeSystemDisk, K::kOption, 140, 97, 190, 20, TxtModeSystemDisk),
      Image(1, kModeFolderIcon, 63, 160, 3, 55),
      Control(1, kModeFolder, K::kOption, 140, 180, 190, 20, TxtModeFolder),
      Label(1, kModeHint, 30, 250, 300, 22, TxtModeHint),
      Rule(1, kModeRuleBottom, 282),
      Control(1, kModeOk, K::kButton, 410, 290, 60, 22, TxtOk),
      Image(1, kInfoIcon, 6, 307, 4, 18, true),
      Label(1, kInfoLabel, 30, 310, 90, 17, TxtInfo),

      // Page 2: devices of the chosen installation.
      Label(2, kDeviceTitle, 185, 7, 200, 26, TxtDevicePageTitle, F::kTitle),
      Rule(2, kDeviceRuleTop, 35),
      Empty(2, kTargetLine, 7, 42, 300, 16, kValue),
      Label(2, kDeviceCountLabel, 7, 72, 70, 16, TxtDeviceDriver),
      Empty(2, kDeviceCount, 80, 72, 30, 16),
      Control(2, kDeviceTree, K::kTree, 7, 90, 480, 133),
      Label(2, kDeviceStatusLabel, 7, 234, 35, 20, TxtStatus),
      Empty(2, kDeviceStatus1, 45, 234, 400, 18, kValue),
      Empty(2, kDeviceStatus2, 45, 258, 400, 18, kValue),
      Rule(2, kDeviceRuleBottom, 282),
      Control(2, kDeviceBack, K::kButton, 20, 290, 60, 22, TxtBack),
      Control(2, kDeviceRefresh, K::kButton, 290, 290, 70, 22, TxtRefreshDevices),
      Control(2, kDeviceImport, K::kButton, 410, 290, 70, 22, TxtImportForDevices),

      // Page 3: manual import.
      Label(3, kManualTitle, 185, 7, 300, 26, TxtManualTitle, F::kTitle),
      Rule(3, kManualRuleTop, 34, 435),
      Label(3, kPathLabel, 10, 38, 30, 15, TxtPath),
      Empty(3, kSourcePathField, 45, 38, 405, 15, kValue | SS_PATHELLIPSIS, B::kSkin),
      Image(3, kBrowseIcon, 455, 32, 5, 29, true),
      Control(3, kDriverList, K::kReportList, 10, 59, 473, 124),
      Label(3, kTypeLabel, 385, 189, 30, 15, TxtType),
      Empty(3, kTypeValue, 420, 188, 85, 15, kValue),
      Label(3, kHardwareIdLabel, 10, 189, 80, 15, TxtHardwareId),
      Empty(3, kHardwareIdValue, 85, 188, 295, 15, kValue),
      Label(3, kInfPathLabel, 10, 208, 80, 15, TxtInfPath),
      Empty(3, kInfPathValue, 85, 209, 405, 15, kValue | SS_PATHELLIPSIS),
      Label(3, kPackageLabel, 10, 228, 80, 15, TxtPackagePath),
      Empty(3, kPackageValue, 85, 228, 405, 15, kValue | SS_PATHELLIPSIS),
      Empty(3, kSourceCounter, 450, 255, 30, 15, SS_RIGHT),
      Label(3, kSourceStatusLabel, 10, 255, 35, 15, TxtManualStatus),
      Empty(3, kSourceStatus1, 52, 255, 360, 15, kValue),
      Empty(3, kSourceStatus2, 52, 275, 360, 15, kValue),
      Rule(3, kManualRuleBottom, 294),
      Control(3, kManualBack, K::kButton, 20, 300, 60, 22, TxtBack),
      Control(3, kSourceRefresh, K::kButton, 250, 300, 80, 22, TxtRefreshSource),
      Control(3, kImportSelected, K::kButton, 380, 300, 80, 22, TxtImportSelected),

      // Page 4: no Windows installation found.
      Label(4, kWindowsCheckTitle, 160, 7, 300, 26, TxtWindowsCheckTitle, F::kTitle),
      Rule(4, kNoWindowsRuleTop, 35),
      Image(4, kNoWindowsIcon, 50, 77, 6, 82),
      Label(4, kNoWindowsText, 160, 112, 460, 20, TxtNoWindows),
      Label(4, kNoWindowsHint, 30, 220, 460, 40, TxtNoWindowsHint),
      Rule(4, kNoWindowsRuleBottom, 282),
      Control(4, kNoWindowsBack, K::kButton, 20, 290, 60, 22, kNoTextSlot, L" << "),

      // Page 5: choice of installation.
      Label(5, kSelectWindowsTitle, 180, 7, 300, 26, TxtSelectWindowsTitle, F::kTitle),
      Rule(5, kSelectRuleTop, 35),
      Label(5, kSelectionLabel, 90, 70, 460, 20, TxtSelection, F::kHeading),
      Control(5, kWindowsChoice, K::kListBox, 90, 90, 300, 90),
      Rule(5, kSelectRuleBottom, 282),
      Control(5, kSelectBack, K::kButton, 20, 290, 60, 22, TxtBack),
      Control(5, kWindowsOk, K::kButton, 410, 290, 60, 22, TxtOk),

      // Page 6: information. The frame comes last so that it lies below the
      // texts it holds.
      Literal(6, kProductName, 30, 45, 200, 22, L"Orvane", F::kTitle),
      Label(6, kVersionLabel, 30, 68, 48, 16, TxtVersionLabel),
      Literal(6, kVersionValue, 80, 68, 100, 16, ProgramVersion),
      Image(6, kProductIcon, 345, 20, 1, 48),
      Rule(6, kInfoRuleBottom, 282),
      Control(6, kInfoBack, K::kButton, 410, 290, 60, 22, TxtBackWord),
      Control(6, kInfoFrame, K::kFrame, 20, 25, 230, 108, TxtInformation),
  };
}

// Which view control a window control is for workers.
struct ViewBinding {
  ViewControl control;
  int id;
};
constexpr ViewBinding kViewBindings[] = {
    {ViewControl::TargetLine, kTargetLine},
    {ViewControl::DeviceCount, kDeviceCount},
    {ViewControl::DeviceTree, kDeviceTree},
    {ViewControl::DeviceStatus1, kDeviceStatus1},
    {ViewControl::DeviceStatus2, kDeviceStatus2},
    {ViewControl::DeviceImport, kDeviceImport},
    {ViewControl::SourcePathField, kSourcePathField},
    {ViewControl::DriverList, kDriverList},
    {ViewControl::DriverTypeValue, kTypeValue},
    {ViewControl::DriverHardwareIdValue, kHardwareIdValue},
    {ViewControl::DriverInfValue, kInfPathValue},
    {ViewControl::DriverPackageValue, kPackageValue},
    {ViewControl::SourceCounter, kSourceCounter},
    {ViewControl::SourceStatus1, kSourceStatus1},
    {ViewControl::SourceStatus2, kSourceStatus2},
    {ViewControl::SourceRefresh, kSourceRefresh},
    {ViewControl::ImportSelected, kImportSelected},
    {ViewControl::WindowsChoice, kWindowsChoice},
};

LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(page, GWLP_USERDATA));
  LRESULT result = 0;
  if (owner && owner->HandleMessage(page, message, wparam, lparam, &result)) return result;
  return DefWindowProcW(page, message, wparam, lparam);
}

bool RegisterPageClass(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kPageClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PageProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kPageClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT MakeBoldFont(const wchar_t* face, int points) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

std::wstring ListBoxLine(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR || length <= 0) return L"";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// Decimal text of a window handle, as the option-button list keeps it.
std::wstring HandleText(HWND window) {
  return DecimalText(static_cast<int64_t>(reinterpret_cast<intptr_t>(window)));
}

}  // namespace

const std::vector<ControlSpec>& MainWindowControls() {
  static const std::vector<ControlSpec> controls = BuildControls();
  return controls;
}

const std::vector<ListColumnSpec>& DriverListColumns() {
  static const std::vector<ListColumnSpec> columns = {
      {TxtColName, 240}, {TxtColProvider, 60}, {TxtColVersion, 80}, {TxtColDate, 70}};
  return columns;
}

std::wstring InitialBrowseFolder() { return kComputerFolder; }

MainWindow::MainWindow(MainWindowActions actions)
    : actions_(std::move(actions)), frame_(std::make_unique<SkinFrame>()) {
  LastBrowseFolder = InitialBrowseFolder();
}

MainWindow::~MainWindow() {
  // A worker may still hold the view; from now on its reports go nowhere.
  if (view_) view_->Detach();
  for (HWND page : pages_) {
    if (page) SetWindowLongPtrW(page, GWLP_USERDATA, 0);
  }
  // The frame destroys the window with its pages and controls before the
  // brushes and fonts they use go.
  frame_.reset();
  if (white_brush_) DeleteObject(white_brush_);
  if (rule_brush_) DeleteObject(rule_brush_);
  if (title_font_) DeleteObject(title_font_);
  if (heading_font_) DeleteObject(heading_font_);
}

bool MainWindow::Create() {
  if (window()) return false;
  INITCOMMONCONTROLSEX common{sizeof common, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);

  white_brush_ = CreateSolidBrush(kWhite);
  rule_brush_ = CreateSolidBrush(kRuleColour);
  title_font_ = MakeBoldFont(kTitleFontFace, kTitleFontPoints);
  heading_font_ = MakeBoldFont(kHeadingFontFace, kHeadingFontPoints);

  const bool created = frame_->Create(kMainFrame, [this](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                                        LRESULT* result) {
    return HandleMessage(hwnd, message, wparam, lparam, result);
  });
  if (!created) return false;
  SetWindowTextW(window(), kMainWindowTitle);

  view_ = std::make_shared<Win32View>();
  if (!view_->Create()) return false;
  if (!CreatePages()) return false;

  for (const ControlSpec& layout : MainWindowControls()) {
    if (!CreateControl(layout)) return false;
  }
  for (const ViewBinding& binding : kViewBindings) view_->Bind(binding.control, control(binding.id));
  view_->SetPageSwitcher([this](int page) { ShowPage(page); });
  if (actions_.item_icon) view_->SetIconProvider(actions_.item_icon);

  OptionButtonHandles = L",";
  OptionButtonHandles += HandleText(control(kModeSystemDisk)) + L",";
  OptionButtonHandles += HandleText(control(kModeFolder)) + L",";
  SendMessageW(control(kModeFolder), BM_SETCHECK, BST_CHECKED, 0);
  return true;
}

bool MainWindow::CreatePages() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterPageClass(instance)) return false;
  for (int n = 1; n <= kPageCount; ++n) {
    HWND page = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPCHILDREN, kPageX, kPageY,
                                kPageWidth, kPageHeight, window(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageIdBase + n)), instance, this);
    if (!page) return false;
    pages_[n - 1] = page;
  }
  return true;
}

HFONT MainWindow::FontFor(FontRole role) const {
  switch (role) {
    case FontRole::kTitle:
      return title_font_;
    case FontRole::kHeading:
      return heading_font_;
    case FontRole::kDefault:
      break;
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool MainWindow::CreateControl(const ControlSpec& layout) {
  HWND parent = page(layout.page);
  if (!parent) return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id));
  std::wstring text = layout.text_slot != kNoTextSlot ? UiText(layout.text_slot)
                                                    : (layout.literal ? std::wstring(layout.literal) : std::wstring());
  DWORD style = WS_CHILD | WS_VISIBLE | layout.style;
  DWORD ex_style = 0;
  const wchar_t* window_class = L"STATIC";
  switch (layout.kind) {
    case ControlKind::kImage: {
      HWND image = CreateResourceIcon(parent, layout.x, layout.y, layout.icon_group, layout.width, layout.id);
      if (!image) return false;
      if (!layout.clickable) {
        SetWindowLongPtrW(image, GWL_STYLE, GetWindowLongPtrW(image, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_NOTIFY));
      }
      controls_[layout.id] = image;
      return true;
    }
    case ControlKind::kLabel:
    case ControlKind::kRule:
      style |= SS_LEFT;
      break;
    case ControlKind::kOption:
      window_class = L"BUTTON";
      style |= BS_AUTORADIOBUTTON | WS_TABSTOP | (layout.id == kModeSystemDisk ? WS_GROUP : 0);
      break;
    case ControlKind::kButton:
      window_class = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kTree:
      window_class = WC_TREEVIEWW;
      style |= TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
      break;
    case ControlKind::kReportList:
      window_class = WC_LISTVIEWW;
      style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
      break;
    case ControlKind::kListBox:
      window_class = L"LISTBOX";
      style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
      break;
    case ControlKind::kFrame:
      // A frame paints only its border and title; as a transparent child it
      // leaves its inside to the page, which erases it on every switch.
      window_class = L"BUTTON";
      style |= BS_GROUPBOX | WS_CLIPSIBLINGS;
      ex_style |= WS_EX_TRANSPARENT;
      break;
  }
  HWND handle = CreateWindowExW(ex_style, window_class, text.c_str(), style, layout.x, layout.y, layout.width, layout.height,
                                parent, id, instance, nullptr);
  if (!handle) return false;
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(layout.font)), FALSE);

  if (layout.kind == ControlKind::kTree) {
    // Check boxes are switched on after creation so that the tree builds
    // its state images.
    SetWindowLongPtrW(handle, GWL_STYLE, GetWindowLongPtrW(handle, GWL_STYLE) | TVS_CHECKBOXES);
  } else if (layout.kind == ControlKind::kReportList) {
    ListView_SetExtendedListViewStyle(handle, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const ListColumnSpec& column : DriverListColumns()) {
      std::wstring title = UiText(column.text_slot);
      LVCOLUMNW lv{};
      lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      lv.cx = column.width;
      lv.pszText = &title[0];
      lv.iSubItem = index;
      ListView_InsertColumn(handle, index, &lv);
      ++index;
    }
  }
  controls_[layout.id] = handle;
  return true;
}

HWND MainWindow::page(int n) const { return (n >= 1 && n <= kPageCount) ? pages_[n - 1] : nullptr; }

HWND MainWindow::control(int id) const {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

WindowView& MainWindow::view() { return *view_; }

void MainWindow::Show() {
  frame_->Show();
  ShowPage(1);
}

void MainWindow::ShowPage(int n) {
  if (n < 1 || n > kPageCount) return;
  // Show the new page first so that the window never shows an empty frame.
  ShowWindow(pages_[n - 1], SW_SHOW);
  for (int i = 1; i <= kPageCount; ++i) {
    if (i != n) ShowWindow(pages_[i - 1], SW_HIDE);
  }
}

int MainWindow::VisiblePage() const {
  for (int i = 1; i <= kPageCount; ++i) {
    if (pages_[i - 1] && (GetWindowLongPtrW(pages_[i - 1], GWL_STYLE) & WS_VISIBLE)) return i;
  }
  return 0;
}

void MainWindow::Run() {
  while (QuitRequested == 0) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // The thread was asked to end: keep the request for whoever comes next.
      PostQuitMessage(static_cast<int>(message.wParam));
      QuitRequested = 1;
      break;
    }
    if (got < 0) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CloseWithAnimation(window());
}

bool MainWindow::WorkerRunning() const { return WorkerThread.IsRunning(); }

bool MainWindow::StartWorker(std::function<void(WindowView&)> work) {
  if (!work) return false;
  std::shared_ptr<Win32View> view = view_;
  return WorkerThread.Start([view, work = std::move(work)]() { work(*view); });
}

bool MainWindow::StartDeviceScan(const std::wstring& windows_directory) {
  if (!actions_.scan_installed_devices) return false;
  auto scan = actions_.scan_installed_devices;
  return StartWorker([scan, windows_directory](WindowView& view) { scan(view, windows_directory); });
}

bool MainWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  const bool on_window = hwnd == window();
  switch (message) {
    case WM_CLOSE:
      if (!on_window) return false;
      QuitRequested = 1;
      *result = 0;
      return true;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      *result = 0;
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header && static_cast<int>(header->idFrom) == kDriverList) OnListNotify(*header);
      return false;
    }
    case WM_CTLCOLORSTATIC: {
      if (on_window) return false;  // the frame's own images
      HDC dc = reinterpret_cast<HDC>(wparam);
      HWND from = reinterpret_cast<HWND>(lparam);
      if (Contains(OptionButtonHandles, L"," + HandleText(from) + L",")) {
        SetBkMode(dc, TRANSPARENT);
        *result = reinterpret_cast<LRESULT>(white_brush_);
        return true;
      }
      const int id = GetDlgCtrlID(from);
      if (id == kSourcePathField) {
        SetBkColor(dc, kSkinBackground);
        *result = reinterpret_cast<LRESULT>(frame_->background_brush());
        return true;
      }
      for (const ControlSpec& layout : MainWindowControls()) {
        if (layout.id == id && layout.kind == ControlKind::kRule) {
          SetBkColor(dc, kRuleColour);
          *result = reinterpret_cast<LRESULT>(rule_brush_);
          return true;
        }
      }
      SetBkColor(dc, kWhite);
      *result = reinterpret_cast<LRESULT>(white_brush_);
      return true;
    }
    default:
      return false;
  }
}

void MainWindow::OnCommand(int id, int code, HWND from) {
  // Events that arrive while an action drains the queue are dropped, as are
  // notifications other than clicks.
  if (in_action_) return;
  if (from == nullptr) return;  // menus and accelerators: none here
  const bool clicked = code == BN_CLICKED || code == STN_CLICKED;
  in_action_ = true;
  if (id == kSkinMinimiseId && from == frame_->minimise_highlight()) {
    if (ConfirmSkinClick(from)) ShowWindow(window(), SW_MINIMIZE);
  } else if (id == kSkinExitId && from == frame_->exit_highlight()) {
    if (ConfirmSkinClick(from) && !WorkerRunning()) QuitRequested = 1;
  } else if (id == kWindowsChoice) {
    // The list box only selects; the choice is confirmed with its button.
  } else if (clicked) {
    switch (id) {
      case kModeOk:
        ConfirmMode();
        break;
      case kDeviceBack:
      case kManualBack:
      case kNoWindowsBack:
      case kSelectBack:
        ShowPage(1);
        break;
      case kInfoIcon:
        ShowPage(6);
        DrainWindowEvents();
        break;
      case kInfoBack:
        ShowPage(1);
        DrainWindowEvents();
        break;
      case kWindowsOk:
        ChooseInstallation();
        break;
      case kDeviceRefresh:
        RefreshDevices();
        break;
      case kDeviceImport:
        ImportForDevices();
        break;
      case kBrowseIcon:
        BrowseSource();
        break;
      case kSourceRefresh:
        RefreshSource();
        break;
      case kImportSelected:
        ImportSelectedDriver();
        break;
      default:
        break;
    }
  }
  in_action_ = false;
}

void MainWindow::OnListNotify(const NMHDR& header) {
  if (in_action_) return;
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED)) ShowSelectedDetails();
      break;
    }
    case NM_CLICK:
    case NM_DBLCLK:
    case NM_RETURN:
      ShowSelectedDetails();
      break;
    default:
      break;
  }
}

void MainWindow::ShowSelectedDetails() {
  const int line = static_cast<int>(SendMessageW(control(kDriverList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                 LVNI_SELECTED));
  const std::optional<CandidateRecord> candidate = DriverRows.ForLine(line);
  if (candidate) ShowCandidateDetails(*view_, *candidate);
}

void MainWindow::ConfirmMode() {
  if (SendMessageW(control(kModeSystemDisk), BM_GETCHECK, 0, 0) != BST_CHECKED) {
    ShowPage(3);
    return;
  }
  // The device page belongs to the worker while one runs: clearing it under
  // a running scan or import would lose its report and mix up its items.
  if (WorkerRunning()) return;
  view_->ClearTree(ViewControl::DeviceTree);
  view_->SetText(ViewControl::TargetLine, L"");
  view_->SetText(ViewControl::DeviceCount, L"0");
  view_->SetText(ViewControl::DeviceStatus1, L"");
  view_->SetText(ViewControl::DeviceStatus2, L"");
  view_->SetEnabled(ViewControl::DeviceImport, false);
  if (actions_.find_installations) {
    actions_.find_installations(*view_, [this](const std::wstring& windows_directory) {
      return StartDeviceScan(windows_directory);
    });
  }
}

void MainWindow::ChooseInstallation() {
  HWND list = control(kWindowsChoice);
  const int index = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  if (index < 0) return;
  const std::wstring line = ListBoxLine(list, index);
  if (line.empty()) return;
  const size_t end = line.find(L" - (");
  const std::wstring root = end == std::wstring::npos ? line : line.substr(0, end);
  if (WorkerRunning()) return;
  ShowPage(2);
  DrainWindowEvents();
  StartDeviceScan(root);
}

void MainWindow::RefreshDevices() {
  if (WorkerRunning()) return;
  view_->ClearTree(ViewControl::DeviceTree);
  view_->SetText(ViewControl::DeviceCount, L"0");
  view_->SetText(ViewControl::DeviceStatus1, UiText(TxtRefreshingHardware));
  view_->SetText(ViewControl::DeviceStatus2, L"");
  DrainWindowEvents();
  if (actions_.reenumerate_devices) actions_.reenumerate_devices();
  const std::wstring directory = actions_.last_scanned_directory ? actions_.last_scanned_directory() : L"";
  StartDeviceScan(directory);
}

void MainWindow::ImportForDevices() {
  if (WorkerRunning()) return;
  StartWorker(actions_.import_installed_drivers);
}

void MainWindow::BrowseSource() {
  if (WorkerRunning()) return;
  const std::wstring caption = UiText(TxtChooseSource);
  const std::wstring filter = UiText(TxtSourceFilter);
  const std::wstring chosen = actions_.choose_source ? actions_.choose_source(window(), caption, LastBrowseFolder, filter)
                                                     : ChooseSource(window(), caption, LastBrowseFolder, filter);
  if (chosen.empty()) return;
  SelectedSource = chosen;
  view_->SetText(ViewControl::SourcePathField, chosen);
  LastBrowseFolder = SourceFolderPart(chosen);
  if (actions_.scan_driver_path) {
    auto scan = actions_.scan_driver_path;
    StartWorker([scan, chosen](WindowView& view) { scan(view, chosen); });
  }
}

void MainWindow::RefreshSource() {
  if (WorkerRunning()) {
    view_->SetText(ViewControl::SourceStatus1, UiText(TxtStopping));
    StopRequested = 1;
    return;
  }
  view_->SetText(ViewControl::SourceStatus1, UiText(TxtRefreshingHardware));
  view_->SetText(ViewControl::SourceStatus2, L"");
  DrainWindowEvents();
  if (actions_.reenumerate_devices) actions_.reenumerate_devices();
  view_->SetText(ViewControl::SourceStatus1, L"");
  if (!SelectedSource.empty() && actions_.scan_driver_path) {
    auto scan = actions_.scan_driver_path;
    const std::wstring source = SelectedSource;
    StartWorker([scan, source](WindowView& view) { scan(view, source); });
  }
}

void MainWindow::ImportSelectedDriver() {
  DrainWindowEvents();
  if (view_->SelectedListLine(ViewControl::DriverList) < 0) return;
  if (WorkerRunning()) return;
  StartWorker(actions_.import_selected_candidate);
}

bool RunMainWindow(MainWindowActions actions) {
  MainWindow main_window(std::move(actions));
  if (!main_window.Create()) return false;
  main_window.Show();
  main_window.Run();
  return true;
}

}  // namespace orvane
