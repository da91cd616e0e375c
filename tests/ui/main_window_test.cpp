// The main window in this process: the texts of its pages, page switching,
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
#include "text/ui_texts.h"

namespace orvane {
namespace {

using namespace win32_test;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    ASSERT_TRUE(WaitForWorkerEnd());
    DriverRows.Clear();
    StopRequested = 0;
  }
  void TearDown() override {
    *gate_ = true;
    WaitForWorkerEnd();
    window_.reset();
    DriverRows.Clear();
    SetCursorPos(0, 0);  // away from the frame buttons
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
  // The cursor over a frame button lights it up; a click there confirms.
  bool ClickFrameButton(HWND button, int id, int x) {
    RECT frame{};
    GetWindowRect(window_->window(), &frame);
    SetCursorPos(frame.left + x, frame.top + 8);
    const bool lit = PumpUntil([&] { return IsWindowVisible(button) != FALSE; }, 2000);
    SendMessageW(window_->window(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(button));
    return lit;
  }
  void ChooseSystemDiskMode() { SendMessageW(window_->control(kModeSystemDisk), BM_SETCHECK, BST_CHECKED, 0); }
  std::wstring Text(int id) { return WindowText(window_->control(id)); }
  static bool WaitForWorkerEnd() {
    return PumpUntil([] { return !WorkerThread.IsRunning(); });
  }

  // Workers that run until their gate opens, so that tests can act while they run.
  std::shared_ptr<std::atomic<bool>> gate_ = std::make_shared<std::atomic<bool>>(false);
  std::unique_ptr<MainWindow> window_;
};

// The window's title and size and page changes by mouse are checked on the
// real program, the texts themselves in tests/text/ui_texts_test.cpp; which
// control shows which text, the list's columns, where the controls stand,
// their fonts and colours are the layout table's business.
TEST_F(MainWindowTest, PagesShowTheirTextsAndEveryBackLeadsToTheModePage) {
  MainWindow& window = Open();
  // A control of each kind shows the text of its slot, or its own text.
  std::wstring shown;
  for (int id :
       {kModeTitle, kModeSystemDisk, kModeOk, kInfoFrame, kProductName, kVersionValue, kNoWindowsBack, kTargetLine})
    shown += Text(id) + L"|";
  EXPECT_EQ(UiText(TxtModeTitle) + L"|" + UiText(TxtModeSystemDisk) + L"|" + UiText(TxtOk) + L"|" +
                UiText(TxtInformation) + L"|Orvane|2.0.3.2| << ||",
            shown);

  for (int back : {kDeviceBack, kManualBack, kNoWindowsBack, kSelectBack, kInfoBack}) {
    window.ShowPage(back / 100 - 10);
    EXPECT_EQ(back / 100 - 10, window.VisiblePage()) << back;  // the lower pages are hidden
    Click(back);
    EXPECT_EQ(1, window.VisiblePage()) << back;
  }
}

// The discovery, the choice on page 5 and the scan of the chosen or last
// installation are checked on the real program (tests/e2e/installed_windows.sh).
TEST_F(MainWindowTest, SystemDiskModeClearsTheDevicePageAndTheRescanStartsAfresh) {
  MainWindowActions actions;
  int reenumerated = 0;
  actions.find_installations = [](WindowView& view, const std::function<bool(const std::wstring&)>&) {
    view.AddListLine(ViewControl::WindowsChoice, {L"C:\\Windows - (System)"}, {});
    view.ShowPage(5);
  };
  actions.scan_installed_devices = [](WindowView&, const std::wstring&) {};
  actions.reenumerate_devices = [&reenumerated] { ++reenumerated; };
  MainWindow& window = Open(actions);
  window.view().SetText(ViewControl::TargetLine, L"old target");
  window.view().SetText(ViewControl::DeviceStatus1, L"old status");
  window.view().AddTreeItem(ViewControl::DeviceTree, L"old device", {}, 1);
  ChooseSystemDiskMode();
  Click(kModeOk);
  EXPECT_EQ(L"|", Text(kTargetLine) + L"|" + Text(kDeviceStatus1));
  EXPECT_EQ(0, TreeView_GetCount(window.control(kDeviceTree)));
  EXPECT_FALSE(IsWindowEnabled(window.control(kDeviceImport)));
  Click(kWindowsOk);  // nothing selected: nothing changes
  EXPECT_EQ(5, window.VisiblePage());

  window.view().SetText(ViewControl::DeviceCount, L"7");
  Click(kDeviceRefresh);
  EXPECT_EQ(1, reenumerated);
  EXPECT_EQ(L"0|" + UiText(TxtRefreshingHardware), Text(kDeviceCount) + L"|" + Text(kDeviceStatus1));
  ASSERT_TRUE(WaitForWorkerEnd());
}

// The details of each line's candidate and its import, and the exit click that
// ends the program, are checked on the real program (tests/e2e/driver_folder.sh,
// main_window.sh).
TEST_F(MainWindowTest, OneWorkerAtATimeExitWaitsForItRefreshStopsItImportNeedsASelectedLine) {
  MainWindowActions actions;
  std::vector<std::wstring> choices_asked, scans;
  int starts = 0, imports = 0, reenumerated = 0;
  auto gate = gate_;
  actions.choose_source = [&](HWND, const std::wstring& caption, const std::wstring& start, const std::wstring& filter) {
    choices_asked.push_back(caption + L"|" + start + L"|" + filter);
    return std::wstring(L"D:\\Drivers\\lan.7z");
  };
  actions.scan_driver_path = [&scans, gate](WindowView& view, const std::wstring& path) {
    scans.push_back(path);
    view.SetText(ViewControl::SourceCounter, L"1");
    while (!*gate) Sleep(2);
  };
  actions.import_installed_drivers = [&starts](WindowView&) { ++starts; };
  actions.import_selected_candidate = [&imports](WindowView&) { ++imports; };
  actions.reenumerate_devices = [&reenumerated] { ++reenumerated; };
  actions.find_installations = [&starts](WindowView&, const std::function<bool(const std::wstring&)>&) { ++starts; };
  MainWindow& window = Open(actions);
  window.ShowPage(3);
  window.view().AddListLine(ViewControl::DriverList, {L"line"}, {});
  Click(kImportSelected);  // no line selected: no import
  ASSERT_TRUE(WaitForWorkerEnd());
  Click(kBrowseIcon);
  EXPECT_EQ(
      std::vector<std::wstring>{UiText(TxtChooseSource) + L"|" + kComputerFolder + L"|" + UiText(TxtSourceFilter)},
      choices_asked);
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", Text(kSourcePathField));
  EXPECT_EQ(L"D:\\Drivers", window.last_browse_folder());
  ASSERT_TRUE(PumpUntil([&] { return Text(kSourceCounter) == L"1"; }));

  // While the scan runs every other start is ignored. No candidates lie
  // behind the lines: the details stay as they are.
  window.view().SetText(ViewControl::DriverTypeValue, L"keep");
  ListView_SetItemState(window.control(kDriverList), 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"keep", Text(kTypeValue));
  Click(kBrowseIcon);
  Click(kDeviceImport);
  Click(kImportSelected);
  ChooseSystemDiskMode();
  Click(kModeOk);
  EXPECT_EQ(1u, choices_asked.size());
  EXPECT_EQ(0, starts + imports);
  // So is the exit button.
  ASSERT_TRUE(ClickFrameButton(window.frame().exit_highlight(), kSkinExitId, 480));
  EXPECT_FALSE(window.quit_requested());

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
  *gate = true;
  ASSERT_TRUE(WaitForWorkerEnd());
  StopRequested = 0;

  // Once the scan has ended, refresh rescans the chosen source.
  Click(kSourceRefresh);
  EXPECT_EQ(1, reenumerated);
  EXPECT_EQ(L"", Text(kSourceStatus1));
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(std::vector<std::wstring>({L"D:\\Drivers\\lan.7z", L"D:\\Drivers\\lan.7z"}), scans);
  EXPECT_EQ(0, StopRequested.load());

  // With no worker left, the selected line is imported.
  Click(kImportSelected);
  ASSERT_TRUE(WaitForWorkerEnd());
  EXPECT_EQ(1, imports);
  // The minimise button minimises and ends nothing.
  ASSERT_TRUE(ClickFrameButton(window.frame().minimise_highlight(), kSkinMinimiseId, 440));
  EXPECT_TRUE(IsIconic(window.window()));
  EXPECT_FALSE(window.quit_requested());
}

// Line i of the list shows the details of row i + 1 (what a row shows:
// tests/app/driver_rows_test.cpp).
TEST_F(MainWindowTest, SelectingALineShowsTheDetailsOfItsRow) {
  MainWindow& window = Open();
  window.ShowPage(3);
  window.view().AddListLine(ViewControl::DriverList, {L"one"}, {});
  window.view().AddListLine(ViewControl::DriverList, {L"two"}, {});
  DriverRows.Add(ParseCandidate(L"\n\npci\\ven_10ec&dev_8168\n\n\n\n\n\nNet\nD:\\Drivers\\rt.inf"));
  DriverRows.Add(ParseCandidate(L"\n\npci\\ven_8086&dev_2922\n\n\n\n\n\nhdc\nX:\\orvane_dps\\x86\\iaahci.inf\n"
                                L"D:\\Drivers\\rst.zip\nX:\\orvane_dps\nx86\\"));
  auto details = [&] {
    return Text(kTypeValue) + L"|" + Text(kHardwareIdValue) + L"|" + Text(kInfPathValue) + L"|" + Text(kPackageValue);
  };
  ListView_SetItemState(window.control(kDriverList), 1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"hdc|pci\\ven_8086&dev_2922|x86\\iaahci.inf|D:\\Drivers\\rst.zip", details());
  ListView_SetItemState(window.control(kDriverList), 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(L"Net|pci\\ven_10ec&dev_8168|D:\\Drivers\\rt.inf|", details());
}

}  // namespace
}  // namespace orvane
