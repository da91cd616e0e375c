// The main window in this process: its pages and controls, page switching,
// and the actions with the one-worker rule. (Page changes by mouse, the exit
// button and the second instance are checked on the real program in
// tests/e2e/main_window.sh.)
#include "ui/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/driver_rows.h"
#include "app/source_listing.h"
#include "app/startup.h"
#include "app/worker_state.h"
#include "support/win32_test_support.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

using namespace win32_test;

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
    ASSERT_TRUE(WaitForWorkerEnd());
    DriverRows.Clear();
    StopRequested = 0;
  }
  void TearDown() override {
    gate_->open = true;
    WaitForWorkerEnd();
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
  void ChooseSystemDiskMode() {
    SendMessageW(window_->control(kModeSystemDisk), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(window_->control(kModeFolder), BM_SETCHECK, BST_UNCHECKED, 0);
  }
  void SelectLine(int line) {
    ListView_SetItemState(window_->control(kDriverList), line, LVIS_SELECTED, LVIS_SELECTED);
  }
  std::wstring Text(int id) { return WindowText(window_->control(id)); }
  static bool WaitForWorkerEnd() {
    return PumpUntil([] { return !WorkerThread.IsRunning(); });
  }

  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, WindowPagesAndControlsAreCreatedAsLaidOut) {
  // Title and size are the frame's (tests/ui/skin_frame_test.cpp).
  MainWindow& window = Open();
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(L"8,48 495x333", Place(RectIn(window.page(n), window.window()))) << n;
  EXPECT_EQ(1, window.VisiblePage());

  // The texts of the pages. (Where the controls stand is the layout table's
  // business; the real program's test clicks the buttons and finds the
  // fields at their places.)
  const std::pair<int, int> texts[] = {
      {kModeTitle, TxtModeTitle},        {kModeHeading, TxtModeHeading},         {kModeSystemDisk, TxtModeSystemDisk},
      {kModeFolder, TxtModeFolder},      {kModeHint, TxtModeHint},               {kModeOk, TxtOk},
      {kInfoLabel, TxtInfo},             {kDeviceTitle, TxtDevicePageTitle},     {kDeviceCountLabel, TxtDeviceDriver},
      {kDeviceStatusLabel, TxtStatus},   {kDeviceBack, TxtBack},                 {kDeviceRefresh, TxtRefreshDevices},
      {kDeviceImport, TxtImportForDevices}, {kManualTitle, TxtManualTitle},      {kPathLabel, TxtPath},
      {kTypeLabel, TxtType},             {kHardwareIdLabel, TxtHardwareId},      {kInfPathLabel, TxtInfPath},
      {kPackageLabel, TxtPackagePath},   {kSourceStatusLabel, TxtManualStatus},  {kManualBack, TxtBack},
      {kSourceRefresh, TxtRefreshSource}, {kImportSelected, TxtImportSelected},  {kWindowsCheckTitle, TxtWindowsCheckTitle},
      {kNoWindowsText, TxtNoWindows},    {kNoWindowsHint, TxtNoWindowsHint},     {kSelectWindowsTitle, TxtSelectWindowsTitle},
      {kSelectionLabel, TxtSelection},   {kSelectBack, TxtBack},                 {kWindowsOk, TxtOk},
      {kInfoFrame, TxtInformation},      {kVersionLabel, TxtVersionLabel},       {kInfoBack, TxtBackWord},
  };
  for (const auto& t : texts) EXPECT_EQ(UiText(t.second), Text(t.first)) << t.first;
  EXPECT_EQ(L"7,90 480x133|10,59 473x124|90,90 300x90",
            Place(RectIn(window.control(kDeviceTree), window.page(2))) + L"|" +
                Place(RectIn(window.control(kDriverList), window.page(3))) + L"|" +
                Place(RectIn(window.control(kWindowsChoice), window.page(5))));
  EXPECT_EQ(L"Orvane|2.0.3.2| << |", Text(kProductName) + L"|" + Text(kVersionValue) + L"|" + Text(kNoWindowsBack) +
                                         L"|" + Text(kTargetLine));
  // Images: icons of the program's resources; the clickable ones notify.
  for (int id : {kModeSystemDiskIcon, kModeFolderIcon, kInfoIcon, kBrowseIcon, kNoWindowsIcon, kProductIcon}) {
    EXPECT_NE(0, SendMessageW(window.control(id), STM_GETICON, 0, 0)) << id;
    EXPECT_EQ(id == kInfoIcon || id == kBrowseIcon, HasStyle(window.control(id), SS_NOTIFY)) << id;
  }
  for (int id : {kModeRuleTop, kDeviceRuleBottom, kManualRuleTop, kInfoRuleBottom})
    EXPECT_EQ(1, RectIn(window.control(id), window.page(1)).bottom - RectIn(window.control(id), window.page(1)).top);
  // Fonts: bold Arial 11 pt for titles, bold MS Shell Dlg 8 pt for headings, the default one elsewhere.
  auto font = [&](int id) {
    LOGFONTW info{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(window.control(id), WM_GETFONT, 0, 0)), sizeof info, &info);
    return std::wstring(info.lfFaceName) + L"|" + std::to_wstring(info.lfWeight) + L"|" + std::to_wstring(info.lfHeight);
  };
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  for (int id : {kModeTitle, kManualTitle, kProductName})
    EXPECT_EQ(L"Arial|700|" + std::to_wstring(-MulDiv(11, dpi, 72)), font(id)) << id;
  for (int id : {kModeHeading, kSelectionLabel})
    EXPECT_EQ(L"MS Shell Dlg|700|" + std::to_wstring(-MulDiv(8, dpi, 72)), font(id)) << id;
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), reinterpret_cast<HGDIOBJ>(SendMessageW(window.control(kModeHint), WM_GETFONT, 0, 0)));
  // Nothing on the pages but these controls (and the rules), all enabled and shown.
  const int counts[] = {12, 13, 22, 7, 7, 7};
  for (int n = 1; n <= 6; ++n) {
    int children = 0;
    for (HWND child = GetWindow(window.page(n), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++children)
      EXPECT_TRUE(IsWindowEnabled(child) && HasStyle(child, WS_VISIBLE));
    EXPECT_EQ(counts[n - 1], children) << "page " << n;
  }
}

TEST_F(MainWindowTest, ListsTreeOptionsAndColours) {
  MainWindow& window = Open();
  HWND list = window.control(kDriverList);
  const std::pair<int, int> columns[] = {{TxtColName, 240}, {TxtColProvider, 60}, {TxtColVersion, 80}, {TxtColDate, 70}};
  for (int i = 0; i < 4; ++i) {
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, i, &column));
    EXPECT_EQ(UiText(columns[i].first) + L"|" + std::to_wstring(columns[i].second),
              std::wstring(title) + L"|" + std::to_wstring(column.cx));
  }
  EXPECT_EQ(4, Header_GetItemCount(ListView_GetHeader(list)));
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
  HWND tree = window.control(kDeviceTree);
  EXPECT_TRUE(HasStyle(tree, TVS_CHECKBOXES | TVS_SHOWSELALWAYS));
  EXPECT_FALSE(HasStyle(tree, TVS_HASLINES) || HasStyle(tree, TVS_HASBUTTONS));
  EXPECT_FALSE(HasStyle(window.control(kWindowsChoice), LBS_MULTIPLESEL));

  EXPECT_EQ(BST_CHECKED, SendMessageW(window.control(kModeFolder), BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, SendMessageW(window.control(kModeSystemDisk), BM_GETCHECK, 0, 0));
  EXPECT_EQ(L"," + DecimalText(reinterpret_cast<intptr_t>(window.control(kModeSystemDisk))) + L"," +
                DecimalText(reinterpret_cast<intptr_t>(window.control(kModeFolder))) + L",",
            window.option_button_handles());

  // The colour callback: transparent white options, white labels, blue rules,
  // the path field in the skin's colour. "text background/brush" per control.
  HDC dc = CreateCompatibleDC(nullptr);
  auto colours = [&](int id) {
    HWND control = window.control(id);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(1, 2, 3));
    LOGBRUSH brush{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(GetParent(control), WM_CTLCOLORSTATIC,
                                                      reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control))),
               sizeof brush, &brush);
    return (GetBkMode(dc) == TRANSPARENT ? std::wstring(L"transparent") : std::to_wstring(GetBkColor(dc))) + L"/" +
           std::to_wstring(brush.lbColor);
  };
  const std::wstring white = std::to_wstring(RGB(255, 255, 255)), skin = std::to_wstring(RGB(215, 228, 242));
  EXPECT_EQ(L"transparent/" + white, colours(kModeFolder));
  EXPECT_EQ(white + L"/" + white, colours(kModeHint));
  EXPECT_TRUE(EndsWith(colours(kManualRuleTop), L"/" + std::to_wstring(RGB(119, 142, 187))));
  EXPECT_EQ(skin + L"/" + skin, colours(kSourcePathField));
  DeleteDC(dc);
}

TEST_F(MainWindowTest, PagesSwitchOneAtATimeAndEveryBackLeadsToTheModePage) {
  MainWindow& window = Open();
  for (int n = 1; n <= 6; ++n) {
    window.ShowPage(n);
    for (int other = 1; other <= 6; ++other)
      EXPECT_EQ(other == n, HasStyle(window.page(other), WS_VISIBLE)) << n << " " << other;
  }
  window.ShowPage(0);
  window.ShowPage(7);
  EXPECT_EQ(6, window.VisiblePage());
  for (int back : {kDeviceBack, kManualBack, kNoWindowsBack, kSelectBack, kInfoBack}) {
    window.ShowPage(back / 100 - 10);
    Click(back);
    EXPECT_EQ(1, window.VisiblePage()) << back;
  }
  Click(kModeOk);  // the folder mode is selected at start
  EXPECT_EQ(3, window.VisiblePage());
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
  ChooseSystemDiskMode();
  Click(kModeOk);
  EXPECT_EQ(1, discoveries);
  EXPECT_EQ(2, window.VisiblePage());
  EXPECT_EQ(L"|", Text(kTargetLine) + L"|" + Text(kDeviceStatus1));
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
  actions.scan_installed_devices = [&scanned](WindowView&, const std::wstring& directory) { scanned.push_back(directory); };
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

  // The rescan takes the installation of the last scan.
  window.view().SetText(ViewControl::DeviceCount, L"7");
  Click(kDeviceRefresh);
  EXPECT_EQ(1, reenumerated);
  EXPECT_EQ(L"0|" + UiText(TxtRefreshingHardware), Text(kDeviceCount) + L"|" + Text(kDeviceStatus1));
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(std::vector<std::wstring>({L"D:\\Win10", L"E:\\Last"}), scanned);
}

TEST_F(MainWindowTest, OnlyOneWorkerRunsAndRefreshTurnsIntoStop) {
  MainWindowActions actions;
  std::vector<std::wstring> choices_asked, scans;
  int imports = 0, reenumerated = 0, discoveries = 0;
  auto gate = gate_;
  actions.choose_source = [&](HWND, const std::wstring& caption, const std::wstring& start, const std::wstring& filter) {
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
  EXPECT_EQ(std::vector<std::wstring>{UiText(TxtChooseSource) + L"|" + kComputerFolder + L"|" + UiText(TxtSourceFilter)},
            choices_asked);
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", window.selected_source());
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", Text(kSourcePathField));
  EXPECT_EQ(L"D:\\Drivers", window.last_browse_folder());
  ASSERT_TRUE(PumpUntil([&] { return Text(kSourceCounter) == L"1"; }));
  EXPECT_TRUE(WorkerThread.IsRunning());

  // While the scan runs every other start is ignored.
  Click(kBrowseIcon);
  Click(kDeviceImport);
  window.view().AddListLine(ViewControl::DriverList, {L"line"}, {});
  SelectLine(0);
  Click(kImportSelected);
  ChooseSystemDiskMode();
  Click(kModeOk);
  EXPECT_EQ(1u, choices_asked.size());
  EXPECT_EQ(0, imports + discoveries);

  // ... and the refresh button asks the scan to stop, each time it is pressed.
  for (int press = 0; press < 2; ++press) {
    StopRequested = 0;
    window.view().SetText(ViewControl::SourceStatus1, L"");
    Click(kSourceRefresh);
    EXPECT_EQ(UiText(TxtStopping), Text(kSourceStatus1));
    EXPECT_EQ(1, StopRequested.load());
  }
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
  EXPECT_EQ(std::vector<std::wstring>({L"D:\\Drivers\\lan.7z", L"D:\\Drivers\\lan.7z"}), scans);
  EXPECT_EQ(0, StopRequested.load());
}

TEST_F(MainWindowTest, ImportSelectedNeedsASelectedLineWhoseDetailsTheListShows) {
  MainWindowActions actions;
  int imports = 0;
  actions.import_selected_candidate = [&imports](WindowView&) { ++imports; };
  MainWindow& window = Open(actions);
  window.ShowPage(3);
  window.view().SetText(ViewControl::DriverTypeValue, L"keep");
  window.view().AddListLine(ViewControl::DriverList, {L"one"}, {});
  window.view().AddListLine(ViewControl::DriverList, {L"two"}, {});
  Click(kImportSelected);
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(0, imports);
  // No candidates behind the lines: the details stay as they are.
  SelectLine(0);
  EXPECT_EQ(L"keep", Text(kTypeValue));
  Click(kImportSelected);
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(1, imports);

  // Line i shows row i + 1 (what a row shows: tests/app/driver_rows_test.cpp).
  DriverRows.Add(ParseCandidate(L"\n\npci\\ven_10ec&dev_8168\n\n\n\n\n\nNet\nD:\\Drivers\\rt.inf"));
  DriverRows.Add(ParseCandidate(L"\n\npci\\ven_8086&dev_2922\n\n\n\n\n\nhdc\nX:\\orvane_dps\\x86\\iaahci.inf\n"
                                L"D:\\Drivers\\rst.zip\nX:\\orvane_dps\nx86\\"));
  auto details = [&] {
    return Text(kTypeValue) + L"|" + Text(kHardwareIdValue) + L"|" + Text(kInfPathValue) + L"|" + Text(kPackageValue);
  };
  SelectLine(1);
  EXPECT_EQ(L"hdc|pci\\ven_8086&dev_2922|x86\\iaahci.inf|D:\\Drivers\\rst.zip", details());
  SelectLine(0);
  EXPECT_EQ(L"Net|pci\\ven_10ec&dev_8168|D:\\Drivers\\rt.inf|", details());
}

// The exit click that ends the program is checked on the real program.
TEST_F(MainWindowTest, FrameButtonsCountOnlyWhileLitAndExitWaitsForTheWorker) {
  MainWindowActions actions;
  auto gate = gate_;
  actions.import_installed_drivers = [gate](WindowView&) { gate->Wait(); };
  MainWindow& window = Open(actions);
  HWND exit = window.frame().exit_highlight(), minimise = window.frame().minimise_highlight();
  RECT frame{};
  GetWindowRect(window.window(), &frame);
  // The cursor over a button lights it up; a click there confirms.
  auto click = [&](HWND button, int id, int x) {
    SetCursorPos(frame.left + x, frame.top + 8);
    const bool lit = PumpUntil([&] { return HasStyle(button, WS_VISIBLE); }, 2000);
    SendMessageW(window.window(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(button));
    return lit;
  };
  // Away from the buttons the lights are off and a click there does nothing.
  SetCursorPos(frame.left + 200, frame.top + 200);
  ASSERT_TRUE(PumpUntil([&] { return !HasStyle(minimise, WS_VISIBLE) && !HasStyle(exit, WS_VISIBLE); }, 2000));
  SendMessageW(window.window(), WM_COMMAND, MAKEWPARAM(kSkinMinimiseId, STN_CLICKED), reinterpret_cast<LPARAM>(minimise));
  EXPECT_FALSE(IsIconic(window.window()));

  Click(kDeviceImport);
  ASSERT_TRUE(WorkerThread.IsRunning());
  ASSERT_TRUE(click(exit, kSkinExitId, 480));
  EXPECT_FALSE(window.quit_requested());
  gate->open = true;
  ASSERT_TRUE(WaitForWorkerEnd());
  ASSERT_TRUE(click(minimise, kSkinMinimiseId, 440));
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
