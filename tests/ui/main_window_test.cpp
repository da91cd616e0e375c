// The main window in this process: its pages and controls against the
// layout, page switching, and the actions with the one-worker rule.
#include "ui/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/driver_rows.h"
#include "app/source_listing.h"
#include "app/startup.h"
#include "app/worker_state.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  return LowerText(buffer);
}

RECT RectIn(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!handle) handle = GetStockObject(SYSTEM_FONT);
  GetObjectW(handle, sizeof font, &font);
  return font;
}

bool StyleHas(HWND window, LONG_PTR bits) { return (GetWindowLongPtrW(window, GWL_STYLE) & bits) == bits; }

int PointsToHeight(int points) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return -MulDiv(points, dpi, 72);
}

// Handles window events until done() holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, int milliseconds = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    DrainWindowEvents();
    Sleep(2);
  }
  return true;
}

// A worker that runs until released, so that tests can act while it runs.
struct Gate {
  std::atomic<bool> open{false};
  void Wait() {
    while (!open.load()) Sleep(2);
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    ASSERT_TRUE(PumpUntil([] { return !WorkerThread.IsRunning(); }));
    DriverRows.Clear();
    StopRequested = 0;
  }

  void TearDown() override {
    if (gate_) gate_->open = true;
    PumpUntil([] { return !WorkerThread.IsRunning(); });
    window_.reset();
    DriverRows.Clear();
  }

  MainWindow& Open(MainWindowActions actions = {}) {
    window_ = std::make_unique<MainWindow>(std::move(actions));
    EXPECT_TRUE(window_->Create());
    window_->Show();
    return *window_;
  }

  // A click on a control of a page, as the control reports it.
  void Click(int id) {
    HWND control = window_->control(id);
    ASSERT_NE(nullptr, control);
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  }

  std::wstring Text(int id) { return TextOf(window_->control(id)); }

  bool WaitForWorkerEnd() {
    return PumpUntil([] { return !WorkerThread.IsRunning(); });
  }

  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, WindowAndPagesHaveTheirPlaces) {
  MainWindow& window = Open();
  EXPECT_EQ(L" Orvane", TextOf(window.window()));
  EXPECT_EQ(window.window(), FindWindowW(nullptr, L" Orvane"));
  RECT client{};
  GetClientRect(window.window(), &client);
  EXPECT_EQ(512, client.right);
  EXPECT_EQ(390, client.bottom);
  for (int n = 1; n <= 6; ++n) {
    SCOPED_TRACE(n);
    HWND page = window.page(n);
    ASSERT_NE(nullptr, page);
    const RECT rect = RectIn(page, window.window());
    EXPECT_EQ(8, rect.left);
    EXPECT_EQ(48, rect.top);
    EXPECT_EQ(495, rect.right - rect.left);
    EXPECT_EQ(333, rect.bottom - rect.top);
  }
  EXPECT_EQ(1, window.VisiblePage());
}

TEST_F(MainWindowTest, EveryControlIsCreatedAsLaidOut) {
  MainWindow& window = Open();
  const int title_height = PointsToHeight(11);
  const int heading_height = PointsToHeight(8);
  std::vector<int> per_page(7, 0);
  for (const ControlSpec& layout : MainWindowControls()) {
    SCOPED_TRACE(layout.id);
    ++per_page[layout.page];
    HWND control = window.control(layout.id);
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(window.page(layout.page), GetParent(control));
    EXPECT_EQ(layout.id, GetDlgCtrlID(control));

    const RECT rect = RectIn(control, window.page(layout.page));
    EXPECT_EQ(layout.x, rect.left);
    EXPECT_EQ(layout.y, rect.top);
    EXPECT_EQ(layout.width, rect.right - rect.left);
    EXPECT_EQ(layout.height, rect.bottom - rect.top);

    const wchar_t* expected_class = L"static";
    switch (layout.kind) {
      case ControlKind::kOption:
      case ControlKind::kButton:
      case ControlKind::kFrame:
        expected_class = L"button";
        break;
      case ControlKind::kTree:
        expected_class = L"systreeview32";
        break;
      case ControlKind::kReportList:
        expected_class = L"syslistview32";
        break;
      case ControlKind::kListBox:
        expected_class = L"listbox";
        break;
      default:
        break;
    }
    EXPECT_EQ(expected_class, ClassOf(control));

    if (layout.kind != ControlKind::kImage && layout.kind != ControlKind::kTree && layout.kind != ControlKind::kReportList &&
        layout.kind != ControlKind::kListBox) {
      const std::wstring expected_text = layout.text_slot != kNoTextSlot ? UiText(layout.text_slot)
                                                                       : (layout.literal ? layout.literal : L"");
      EXPECT_EQ(expected_text, TextOf(control));
    }
    if (layout.kind == ControlKind::kImage) {
      EXPECT_TRUE(StyleHas(control, SS_ICON));
      EXPECT_NE(0, SendMessageW(control, STM_GETICON, 0, 0)) << "icon group " << layout.icon_group;
      EXPECT_EQ(layout.clickable, StyleHas(control, SS_NOTIFY));
    } else {
      const LOGFONTW font = FontOf(control);
      if (layout.font == FontRole::kTitle) {
        EXPECT_STREQ(L"Arial", font.lfFaceName);
        EXPECT_EQ(title_height, font.lfHeight);
        EXPECT_EQ(FW_BOLD, font.lfWeight);
      } else if (layout.font == FontRole::kHeading) {
        EXPECT_STREQ(L"MS Shell Dlg", font.lfFaceName);
        EXPECT_EQ(heading_height, font.lfHeight);
        EXPECT_EQ(FW_BOLD, font.lfWeight);
      } else {
        EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
      }
    }
    EXPECT_TRUE(IsWindowEnabled(control));
    EXPECT_TRUE(StyleHas(control, WS_VISIBLE));
  }
  // Nothing on a page that the layout does not name.
  for (int n = 1; n <= 6; ++n) {
    int children = 0;
    for (HWND child = GetWindow(window.page(n), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(per_page[n], children) << "page " << n;
  }
}

TEST_F(MainWindowTest, LayoutHoldsTheGivenGeometry) {
  // The positions that the window's users and its documentation rely on.
  struct Place {
    int id, x, y, w, h;
  };
  const Place places[] = {
      {kModeTitle, 160, 7, 300, 26},       {kModeHeading, 10, 36, 300, 22},     {kModeSystemDisk, 140, 97, 190, 20},
      {kModeFolder, 140, 180, 190, 20},    {kModeHint, 30, 250, 300, 22},       {kModeOk, 410, 290, 60, 22},
      {kInfoLabel, 30, 310, 90, 17},       {kModeSystemDiskIcon, 60, 80, 60, 60}, {kModeFolderIcon, 63, 160, 55, 55},
      {kInfoIcon, 6, 307, 18, 18},         {kDeviceTitle, 185, 7, 200, 26},     {kTargetLine, 7, 42, 300, 16},
      {kDeviceCountLabel, 7, 72, 70, 16},  {kDeviceCount, 80, 72, 30, 16},      {kDeviceTree, 7, 90, 480, 133},
      {kDeviceStatusLabel, 7, 234, 35, 20}, {kDeviceStatus1, 45, 234, 400, 18}, {kDeviceStatus2, 45, 258, 400, 18},
      {kDeviceBack, 20, 290, 60, 22},      {kDeviceRefresh, 290, 290, 70, 22},  {kDeviceImport, 410, 290, 70, 22},
      {kManualTitle, 185, 7, 300, 26},     {kPathLabel, 10, 38, 30, 15},        {kSourcePathField, 45, 38, 405, 15},
      {kBrowseIcon, 455, 32, 29, 29},      {kDriverList, 10, 59, 473, 124},     {kTypeLabel, 385, 189, 30, 15},
      {kTypeValue, 420, 188, 85, 15},      {kHardwareIdLabel, 10, 189, 80, 15}, {kHardwareIdValue, 85, 188, 295, 15},
      {kInfPathLabel, 10, 208, 80, 15},    {kInfPathValue, 85, 209, 405, 15},   {kPackageLabel, 10, 228, 80, 15},
      {kPackageValue, 85, 228, 405, 15},   {kSourceCounter, 450, 255, 30, 15},  {kSourceStatusLabel, 10, 255, 35, 15},
      {kSourceStatus1, 52, 255, 360, 15},  {kSourceStatus2, 52, 275, 360, 15},  {kManualBack, 20, 300, 60, 22},
      {kSourceRefresh, 250, 300, 80, 22},  {kImportSelected, 380, 300, 80, 22}, {kWindowsCheckTitle, 160, 7, 300, 26},
      {kNoWindowsIcon, 50, 77, 82, 82},    {kNoWindowsText, 160, 112, 460, 20}, {kNoWindowsHint, 30, 220, 460, 40},
      {kNoWindowsBack, 20, 290, 60, 22},   {kSelectWindowsTitle, 180, 7, 300, 26}, {kSelectionLabel, 90, 70, 460, 20},
      {kWindowsChoice, 90, 90, 300, 90},   {kSelectBack, 20, 290, 60, 22},      {kWindowsOk, 410, 290, 60, 22},
      {kInfoFrame, 20, 25, 230, 108},      {kProductIcon, 345, 20, 48, 48},     {kInfoBack, 410, 290, 60, 22},
  };
  for (const Place& place : places) {
    SCOPED_TRACE(place.id);
    const ControlSpec* found = nullptr;
    for (const ControlSpec& layout : MainWindowControls()) {
      if (layout.id == place.id) found = &layout;
    }
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(place.x, found->x);
    EXPECT_EQ(place.y, found->y);
    EXPECT_EQ(place.w, found->width);
    EXPECT_EQ(place.h, found->height);
  }
  // Page 6 shows the product and its version; the rules are one pixel high.
  for (const ControlSpec& layout : MainWindowControls()) {
    if (layout.kind == ControlKind::kRule) EXPECT_EQ(1, layout.height) << layout.id;
    if (layout.id == kVersionValue) EXPECT_STREQ(ProgramVersion, layout.literal);
    if (layout.id == kProductName) EXPECT_STREQ(L"Orvane", layout.literal);
    if (layout.id == kNoWindowsBack) EXPECT_STREQ(L" << ", layout.literal);
  }
}

TEST_F(MainWindowTest, ListsTreeAndOptionsAreSetUp) {
  MainWindow& window = Open();
  HWND list = window.control(kDriverList);
  const int slots[] = {TxtColName, TxtColProvider, TxtColVersion, TxtColDate};
  const int widths[] = {240, 60, 80, 70};
  for (int i = 0; i < 4; ++i) {
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, i, &column));
    EXPECT_EQ(UiText(slots[i]), title);
    EXPECT_EQ(widths[i], column.cx);
  }
  EXPECT_EQ(4, Header_GetItemCount(ListView_GetHeader(list)));
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);

  HWND tree = window.control(kDeviceTree);
  EXPECT_TRUE(StyleHas(tree, TVS_CHECKBOXES | TVS_SHOWSELALWAYS));
  EXPECT_FALSE(StyleHas(tree, TVS_HASLINES));
  EXPECT_FALSE(StyleHas(tree, TVS_HASBUTTONS));
  EXPECT_FALSE(StyleHas(window.control(kWindowsChoice), LBS_MULTIPLESEL));

  EXPECT_EQ(BST_CHECKED, SendMessageW(window.control(kModeFolder), BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, SendMessageW(window.control(kModeSystemDisk), BM_GETCHECK, 0, 0));
  const std::wstring handles =
      L"," + DecimalText(reinterpret_cast<intptr_t>(window.control(kModeSystemDisk))) + L"," +
      DecimalText(reinterpret_cast<intptr_t>(window.control(kModeFolder))) + L",";
  EXPECT_EQ(handles, window.option_button_handles());
  EXPECT_EQ(kComputerFolder, window.last_browse_folder());
  EXPECT_EQ(L"", window.selected_source());
}

TEST_F(MainWindowTest, ColourCallbackPaintsOptionsLabelsRulesAndPathField) {
  MainWindow& window = Open();
  HDC dc = CreateCompatibleDC(nullptr);
  auto brush_colour = [](LRESULT brush) {
    LOGBRUSH info{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(brush), sizeof info, &info);
    return info.lbColor;
  };
  auto colour_for = [&](int id) {
    HWND control = window.control(id);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(1, 2, 3));
    return SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
  };

  LRESULT brush = colour_for(kModeFolder);
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  EXPECT_EQ(RGB(255, 255, 255), brush_colour(brush));

  brush = colour_for(kModeHint);
  EXPECT_EQ(RGB(255, 255, 255), GetBkColor(dc));
  EXPECT_EQ(RGB(255, 255, 255), brush_colour(brush));

  brush = colour_for(kManualRuleTop);
  EXPECT_EQ(RGB(119, 142, 187), brush_colour(brush));

  brush = colour_for(kSourcePathField);
  EXPECT_EQ(RGB(215, 228, 242), GetBkColor(dc));
  EXPECT_EQ(RGB(215, 228, 242), brush_colour(brush));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, PagesSwitchOneAtATime) {
  MainWindow& window = Open();
  for (int n = 1; n <= 6; ++n) {
    window.ShowPage(n);
    for (int other = 1; other <= 6; ++other) {
      EXPECT_EQ(other == n, StyleHas(window.page(other), WS_VISIBLE)) << n << " " << other;
    }
  }
  window.ShowPage(0);
  window.ShowPage(7);
  EXPECT_EQ(6, window.VisiblePage());
}

TEST_F(MainWindowTest, ModePageLeadsToManualAndInformationPages) {
  MainWindow& window = Open();
  Click(kModeOk);  // the folder mode is selected at start
  EXPECT_EQ(3, window.VisiblePage());
  Click(kManualBack);
  EXPECT_EQ(1, window.VisiblePage());
  Click(kInfoIcon);
  EXPECT_EQ(6, window.VisiblePage());
  Click(kInfoBack);
  EXPECT_EQ(1, window.VisiblePage());
  for (int back : {kDeviceBack, kNoWindowsBack, kSelectBack}) {
    window.ShowPage(back / 100 - 10);
    Click(back);
    EXPECT_EQ(1, window.VisiblePage()) << back;
  }
}

TEST_F(MainWindowTest, SystemDiskModeClearsTheDevicePageAndRunsTheDiscovery) {
  MainWindowActions actions;
  int discoveries = 0;
  std::wstring scanned;
  actions.find_installations = [&](WindowView& view, const std::function<bool(const std::wstring&)>& start) {
    ++discoveries;
    view.ShowPage(2);
    EXPECT_TRUE(start(L"C:\\Windows"));
  };
  actions.scan_installed_devices = [&scanned](WindowView& view, const std::wstring& directory) {
    scanned = directory;
    view.SetText(ViewControl::DeviceCount, L"3");
  };
  MainWindow& window = Open(actions);
  window.view().SetText(ViewControl::TargetLine, L"old target");
  window.view().SetText(ViewControl::DeviceStatus1, L"old status");
  window.view().AddTreeItem(ViewControl::DeviceTree, L"old device", {}, 1);

  SendMessageW(window.control(kModeSystemDisk), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(window.control(kModeFolder), BM_SETCHECK, BST_UNCHECKED, 0);
  Click(kModeOk);
  EXPECT_EQ(1, discoveries);
  EXPECT_EQ(2, window.VisiblePage());
  EXPECT_EQ(L"", Text(kTargetLine));
  EXPECT_EQ(L"", Text(kDeviceStatus1));
  EXPECT_EQ(0, TreeView_GetCount(window.control(kDeviceTree)));
  EXPECT_FALSE(IsWindowEnabled(window.control(kDeviceImport)));
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(L"C:\\Windows", scanned);
  EXPECT_EQ(L"3", Text(kDeviceCount));
}

TEST_F(MainWindowTest, ChoiceOfInstallationStartsTheScanOfTheChosenLine) {
  MainWindowActions actions;
  std::vector<std::wstring> scanned;
  int reenumerated = 0;
  actions.scan_installed_devices = [&scanned](WindowView&, const std::wstring& directory) {
    scanned.push_back(directory);
  };
  actions.last_scanned_directory = [] { return std::wstring(L"E:\\Last"); };
  actions.reenumerate_devices = [&reenumerated] { ++reenumerated; };
  MainWindow& window = Open(actions);
  window.view().AddListLine(ViewControl::WindowsChoice, {L"C:\\Windows - (System)"}, {});
  window.view().AddListLine(ViewControl::WindowsChoice, {L"D:\\Win10 - ()"}, {});
  window.ShowPage(5);

  Click(kWindowsOk);  // nothing selected: nothing changes
  EXPECT_EQ(5, window.VisiblePage());
  SendMessageW(window.control(kWindowsChoice), LB_SETCURSEL, 1, 0);
  Click(kWindowsOk);
  EXPECT_EQ(2, window.VisiblePage());
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_EQ(1u, scanned.size());
  EXPECT_EQ(L"D:\\Win10", scanned[0]);

  // The rescan takes the installation of the last scan.
  window.view().SetText(ViewControl::DeviceCount, L"7");
  Click(kDeviceRefresh);
  EXPECT_EQ(1, reenumerated);
  EXPECT_EQ(L"0", Text(kDeviceCount));
  EXPECT_EQ(UiText(TxtRefreshingHardware), Text(kDeviceStatus1));
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_EQ(2u, scanned.size());
  EXPECT_EQ(L"E:\\Last", scanned[1]);
}

TEST_F(MainWindowTest, OnlyOneWorkerRunsAndRefreshTurnsIntoStop) {
  MainWindowActions actions;
  std::vector<std::wstring> choices_asked;
  std::vector<std::wstring> scans;
  int imports = 0;
  int reenumerated = 0;
  int discoveries = 0;
  auto gate = gate_;
  actions.choose_source = [&](HWND, const std::wstring& caption, const std::wstring& start,
                              const std::wstring& filter) {
    choices_asked.push_back(caption + L"|" + start + L"|" + filter);
    return std::wstring(L"D:\\Drivers\\lan.7z");
  };
  actions.scan_driver_path = [&scans, gate](WindowView& view, const std::wstring& path) {
    scans.push_back(path);
    view.SetText(ViewControl::SourceCounter, L"1");
    gate->Wait();
  };
  actions.import_installed_drivers = [&imports](WindowView&) { ++imports; };
  actions.import_selected_candidate = [&imports](WindowView&) { ++imports; };
  actions.reenumerate_devices = [&reenumerated] { ++reenumerated; };
  actions.find_installations = [&discoveries](WindowView&, const std::function<bool(const std::wstring&)>&) {
    ++discoveries;
  };
  MainWindow& window = Open(actions);
  window.ShowPage(3);

  Click(kBrowseIcon);
  ASSERT_EQ(1u, choices_asked.size());
  EXPECT_EQ(UiText(TxtChooseSource) + L"|" + kComputerFolder + L"|" + UiText(TxtSourceFilter), choices_asked[0]);
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", window.selected_source());
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", Text(kSourcePathField));
  EXPECT_EQ(L"D:\\Drivers", window.last_browse_folder());
  ASSERT_TRUE(PumpUntil([&] { return Text(kSourceCounter) == L"1"; }));
  EXPECT_TRUE(WorkerThread.IsRunning());

  // While the scan runs every other start is ignored.
  Click(kBrowseIcon);
  EXPECT_EQ(1u, choices_asked.size());
  Click(kDeviceImport);
  window.view().AddListLine(ViewControl::DriverList, {L"line"}, {});
  ListView_SetItemState(window.control(kDriverList), 0, LVIS_SELECTED, LVIS_SELECTED);
  Click(kImportSelected);
  SendMessageW(window.control(kModeSystemDisk), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(window.control(kModeFolder), BM_SETCHECK, BST_UNCHECKED, 0);
  Click(kModeOk);
  EXPECT_EQ(0, imports);
  EXPECT_EQ(0, discoveries);

  // ... and the refresh button asks the scan to stop, each time it is pressed.
  Click(kSourceRefresh);
  EXPECT_EQ(UiText(TxtStopping), Text(kSourceStatus1));
  EXPECT_EQ(1, StopRequested.load());
  StopRequested = 0;
  window.view().SetText(ViewControl::SourceStatus1, L"");
  Click(kSourceRefresh);
  EXPECT_EQ(UiText(TxtStopping), Text(kSourceStatus1));
  EXPECT_EQ(1, StopRequested.load());
  EXPECT_EQ(0, reenumerated);
  EXPECT_EQ(1u, scans.size());

  gate->open = true;
  ASSERT_TRUE(WaitForWorkerEnd());
  StopRequested = 0;

  // Once the scan has ended, refresh rescans the chosen source.
  Click(kSourceRefresh);
  EXPECT_EQ(1, reenumerated);
  EXPECT_EQ(L"", Text(kSourceStatus1));
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_EQ(2u, scans.size());
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", scans[1]);
  EXPECT_EQ(0, StopRequested.load());
}

TEST_F(MainWindowTest, ImportSelectedNeedsASelectedLine) {
  MainWindowActions actions;
  int imports = 0;
  actions.import_selected_candidate = [&imports](WindowView&) { ++imports; };
  MainWindow& window = Open(actions);
  window.ShowPage(3);
  window.view().AddListLine(ViewControl::DriverList, {L"a", L"b", L"c", L"d"}, {});
  Click(kImportSelected);
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(0, imports);
  ListView_SetItemState(window.control(kDriverList), 0, LVIS_SELECTED, LVIS_SELECTED);
  Click(kImportSelected);
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(1, imports);
}

TEST_F(MainWindowTest, DriverListShowsTheDetailsOfTheSelectedCandidate) {
  MainWindow& window = Open();
  window.ShowPage(3);
  HWND list = window.control(kDriverList);
  window.view().SetText(ViewControl::DriverTypeValue, L"keep");
  window.view().AddListLine(ViewControl::DriverList, {L"one"}, {});
  window.view().AddListLine(ViewControl::DriverList, {L"two"}, {});

  // No candidates behind the lines: the details stay as they are.
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"keep", Text(kTypeValue));

  CandidateRecord plain;
  plain.match.setup_class = L"Net";
  plain.match.matched_id = L"pci\\ven_10ec&dev_8168";
  plain.inf_path = L"D:\\Drivers\\rt.inf";
  CandidateRecord packed;
  packed.match.setup_class = L"hdc";
  packed.match.matched_id = L"pci\\ven_8086&dev_2922";
  packed.inf_path = L"X:\\orvane_dps\\x86\\iaahci.inf";
  packed.package_path = L"D:\\Drivers\\rst.zip";
  packed.unpack_folder = L"X:\\orvane_dps";
  packed.subfolder = L"x86\\";
  DriverRows.Add(plain);
  DriverRows.Add(packed);

  ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"hdc", Text(kTypeValue));
  EXPECT_EQ(L"pci\\ven_8086&dev_2922", Text(kHardwareIdValue));
  EXPECT_EQ(L"x86\\iaahci.inf", Text(kInfPathValue));
  EXPECT_EQ(L"D:\\Drivers\\rst.zip", Text(kPackageValue));

  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"Net", Text(kTypeValue));
  EXPECT_EQ(L"D:\\Drivers\\rt.inf", Text(kInfPathValue));
  EXPECT_EQ(L"", Text(kPackageValue));
}

TEST_F(MainWindowTest, ExitButtonDoesNothingWhileAWorkerRuns) {
  MainWindowActions actions;
  auto gate = gate_;
  actions.import_installed_drivers = [gate](WindowView&) { gate->Wait(); };
  MainWindow& window = Open(actions);
  HWND exit = window.frame().exit_highlight();
  ASSERT_NE(nullptr, exit);
  RECT frame{};
  GetWindowRect(window.window(), &frame);
  // The cursor over the exit button lights it up; a click there confirms.
  auto click_exit = [&] {
    SetCursorPos(frame.left + 480, frame.top + 8);
    if (!PumpUntil([&] { return StyleHas(exit, WS_VISIBLE); }, 2000)) return false;
    SendMessageW(window.window(), WM_COMMAND, MAKEWPARAM(kSkinExitId, STN_CLICKED), reinterpret_cast<LPARAM>(exit));
    return true;
  };

  Click(kDeviceImport);
  ASSERT_TRUE(WorkerThread.IsRunning());
  ASSERT_TRUE(click_exit());
  EXPECT_FALSE(window.quit_requested());

  gate->open = true;
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_TRUE(click_exit());
  EXPECT_TRUE(window.quit_requested());

  // Moving away hides the light again, and a press there no longer counts.
  SetCursorPos(frame.left + 200, frame.top + 200);
  ASSERT_TRUE(PumpUntil([&] { return !StyleHas(exit, WS_VISIBLE); }, 2000));
}

TEST_F(MainWindowTest, MinimiseButtonCountsOnlyWhileLit) {
  MainWindow& window = Open();
  HWND minimise = window.frame().minimise_highlight();
  ASSERT_NE(nullptr, minimise);
  RECT frame{};
  GetWindowRect(window.window(), &frame);
  auto click_minimise = [&] {
    SendMessageW(window.window(), WM_COMMAND, MAKEWPARAM(kSkinMinimiseId, STN_CLICKED),
                 reinterpret_cast<LPARAM>(minimise));
  };
  // Away from the button the light is off and a click there does nothing.
  SetCursorPos(frame.left + 200, frame.top + 200);
  ASSERT_TRUE(PumpUntil([&] { return !StyleHas(minimise, WS_VISIBLE); }, 2000));
  click_minimise();
  EXPECT_FALSE(IsIconic(window.window()));

  SetCursorPos(frame.left + 440, frame.top + 8);
  ASSERT_TRUE(PumpUntil([&] { return StyleHas(minimise, WS_VISIBLE); }, 2000));
  click_minimise();
  EXPECT_TRUE(IsIconic(window.window()));
  EXPECT_FALSE(window.quit_requested());
  SetCursorPos(frame.left + 200, frame.top + 200);
}

TEST_F(MainWindowTest, CloseRequestEndsTheLoopEvenWhileAWorkerRuns) {
  MainWindowActions actions;
  auto gate = gate_;
  actions.import_installed_drivers = [gate](WindowView&) { gate->Wait(); };
  MainWindow& window = Open(actions);
  Click(kDeviceImport);
  ASSERT_TRUE(WorkerThread.IsRunning());
  PostMessageW(window.window(), WM_CLOSE, 0, 0);
  window.Run();  // returns after the close request
  EXPECT_TRUE(window.quit_requested());
  EXPECT_TRUE(IsWindow(window.window()));
  EXPECT_FALSE(IsWindowVisible(window.window()));
}

}  // namespace
}  // namespace orvane
