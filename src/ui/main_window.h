// The interactive main window: a skinned frame with six pages, one visible at
// a time, and the event loop that starts the workers, switches pages and
// reacts to the skin's buttons. All real work runs in the one worker thread;
// the window only starts it (never while another runs) and hands it the view
// through which it writes into the controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window_view.h"
#include "platform/file_system.h"
#include "ui/skin_frame.h"

namespace orvane {

class Win32View;

// Control identifiers. Pages are numbered 1..6; the controls of page n have
// identifiers n * 100 + 1000 and up.
enum MainControlId : int {
  kPageIdBase = 100,  // page n: kPageIdBase + n

  // Page 1: mode choice.
  kModeTitle = 1101,
  kModeHeading,
  kModeSystemDiskIcon,
  kModeSystemDisk,
  kModeFolderIcon,
  kModeFolder,
  kModeHint,
  kModeOk,
  kInfoIcon,
  kInfoLabel,
  kModeRuleTop,
  kModeRuleBottom,

  // Page 2: devices of the chosen installation.
  kDeviceTitle = 1201,
  kTargetLine,
  kDeviceCountLabel,
  kDeviceCount,
  kDeviceTree,
  kDeviceStatusLabel,
  kDeviceStatus1,
  kDeviceStatus2,
  kDeviceBack,
  kDeviceRefresh,
  kDeviceImport,
  kDeviceRuleTop,
  kDeviceRuleBottom,

  // Page 3: manual import.
  kManualTitle = 1301,
  kPathLabel,
  kSourcePathField,
  kBrowseIcon,
  kDriverList,
  kTypeLabel,
  kTypeValue,
  kHardwareIdLabel,
  kHardwareIdValue,
  kInfPathLabel,
  kInfPathValue,
  kPackageLabel,
  kPackageValue,
  kSourceCounter,
  kSourceStatusLabel,
  kSourceStatus1,
  kSourceStatus2,
  kManualBack,
  kSourceRefresh,
  kImportSelected,
  kManualRuleTop,
  kManualRuleBottom,

  // Page 4: no Windows installation found.
  kWindowsCheckTitle = 1401,
  kNoWindowsIcon,
  kNoWindowsText,
  kNoWindowsHint,
  kNoWindowsBack,
  kNoWindowsRuleTop,
  kNoWindowsRuleBottom,

  // Page 5: choice of installation.
  kSelectWindowsTitle = 1501,
  kSelectionLabel,
  kWindowsChoice,
  kSelectBack,
  kWindowsOk,
  kSelectRuleTop,
  kSelectRuleBottom,

  // Page 6: information.
  kInfoFrame = 1601,
  kProductName,
  kVersionLabel,
  kVersionValue,
  kProductIcon,
  kInfoBack,
  kInfoRuleBottom,
};

enum class ControlKind {
  kLabel,       // static text
  kRule,        // 1-pixel-high coloured line
  kImage,       // icon of the program's resources
  kOption,      // option (radio) button
  kButton,      // push button
  kTree,        // tree with check boxes
  kReportList,  // list with columns, full-row selection
  kListBox,     // single-selection list
  kFrame,       // titled frame (group box)
};

enum class FontRole { kDefault, kTitle, kHeading };

// Background of a label.
enum class Backdrop { kWhite, kSkin };

// No text slot: the control shows `literal` (or nothing).
constexpr int kNoTextSlot = -1;

// One control of a page, in page coordinates. Images take the icon size as
// width and height.
struct ControlSpec {
  int page;
  int id;
  ControlKind kind;
  int x;
  int y;
  int width;
  int height;
  int text_slot;            // UI text slot, or kNoTextSlot
  const wchar_t* literal;   // text when there is no slot; null for none
  FontRole font;
  DWORD style;              // extra style bits (alignment, ...)
  Backdrop backdrop;        // labels only
  int icon_group;           // images only
  bool clickable;           // images that act as buttons
};

// Every control of the six pages, page by page, in creation order.
const std::vector<ControlSpec>& MainWindowControls();

// A column of the driver list: text slot and width in pixels.
struct ListColumnSpec {
  int text_slot;
  int width;
};
const std::vector<ListColumnSpec>& DriverListColumns();

// Page containers: all at the same place, white.
constexpr int kPageX = 8;
constexpr int kPageY = 48;
constexpr int kPageWidth = 495;
constexpr int kPageHeight = 333;
constexpr int kPageCount = 6;
constexpr COLORREF kPageColour = RGB(255, 255, 255);
constexpr COLORREF kRuleColour = RGB(119, 142, 187);

// Fonts: page titles and headings; everything else uses the system's
// default control font.
constexpr wchar_t kTitleFontFace[] = L"Arial";
constexpr int kTitleFontPoints = 11;
constexpr wchar_t kHeadingFontFace[] = L"MS Shell Dlg";
constexpr int kHeadingFontPoints = 8;

// The work behind the window's actions. Each worker hook runs on the one
// worker thread and reports through the view; a hook that is not set makes
// its action do nothing. The discovery and the device rescan run on the
// window's thread.
struct MainWindowActions {
  // Looks for Windows installations and switches to page 4, 2 or 5 through
  // the view. For exactly one installation it starts the device scan with
  // start_device_scan(windows directory), which does nothing (and answers
  // false) while a worker runs.
  std::function<void(WindowView& view, const std::function<bool(const std::wstring&)>& start_device_scan)>
      find_installations;
  // Worker: scans the devices the installation in windows_directory drives.
  std::function<void(WindowView& view, const std::wstring& windows_directory)> scan_installed_devices;
  // The Windows directory of the last device scan ("" before any scan).
  std::function<std::wstring()> last_scanned_directory;
  // Worker: imports the drivers of the checked devices.
  std::function<void(WindowView& view)> import_installed_drivers;
  // Worker: walks a folder or package for matching drivers.
  std::function<void(WindowView& view, const std::wstring& path)> scan_driver_path;
  // Worker: installs the candidate of the selected driver-list line.
  std::function<void(WindowView& view)> import_selected_candidate;
  // Asks the platform to rescan the device tree (window's thread).
  std::function<void()> reenumerate_devices;
  // Small icon of a tree item or list line added by a worker (the setup
  // class's icon); null for none.
  std::function<HICON(const ItemIcon&)> item_icon;
  // Opens the source chooser; "" when nothing was chosen. Unset: the
  // program's own chooser on the Windows file system.
  std::function<std::wstring(HWND owner, const std::wstring& caption, const std::wstring& start_folder,
                             const std::wstring& filter_text)>
      choose_source;
};

// The shell's "computer" folder: where the source chooser first opens.
std::wstring InitialBrowseFolder();

class MainWindow {
 public:
  explicit MainWindow(MainWindowActions actions);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the hidden window, its pages and controls. False on failure.
  bool Create();
  // Shows the window on page 1.
  void Show();
  // Runs the event loop until QuitRequested, then closes the window with the
  // animation.
  void Run();

  // Makes page n (1..6) visible and hides the others; other numbers are ignored.
  void ShowPage(int page);
  int VisiblePage() const;

  HWND window() const { return frame_->window(); }
  HWND page(int n) const;
  HWND control(int id) const;
  const SkinFrame& frame() const { return *frame_; }
  WindowView& view();

  // Program-wide state of the interactive mode.
  bool quit_requested() const { return QuitRequested != 0; }
  const std::wstring& last_browse_folder() const { return LastBrowseFolder; }
  const std::wstring& selected_source() const { return SelectedSource; }
  const std::wstring& option_button_handles() const { return OptionButtonHandles; }

  // Window procedure hook of the frame and of the pages.
  bool HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  bool CreatePages();
  bool CreateControl(const ControlSpec& layout);
  HFONT FontFor(FontRole role) const;
  void OnCommand(int id, int code, HWND from);
  void OnListNotify(const NMHDR& header);
  bool StartWorker(std::function<void(WindowView&)> work);
  bool WorkerRunning() const;

  void ConfirmMode();
  void ChooseInstallation();
  void RefreshDevices();
  void ImportForDevices();
  void BrowseSource();
  void RefreshSource();
  void ImportSelectedDriver();
  void ShowSelectedDetails();
  bool StartDeviceScan(const std::wstring& windows_directory);

  MainWindowActions actions_;
  std::unique_ptr<SkinFrame> frame_;
  std::shared_ptr<Win32View> view_;
  HBRUSH white_brush_ = nullptr;
  HBRUSH rule_brush_ = nullptr;
  HFONT title_font_ = nullptr;
  HFONT heading_font_ = nullptr;
  HWND pages_[kPageCount] = {};
  std::map<int, HWND> controls_;
  bool in_action_ = false;

  int QuitRequested = 0;
  std::wstring LastBrowseFolder;
  std::wstring SelectedSource;
  std::wstring OptionButtonHandles = L",";
};

// The interactive mode: creates the window, runs its loop until the user
// quits, and closes it with the animation. False when the window could not
// be created.
bool RunMainWindow(MainWindowActions actions);

}  // namespace orvane
