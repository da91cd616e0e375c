// The window view as a worker thread uses it: every call reaches the
// controls on the window's thread, in the worker's order, and reads see the
// worker's own earlier writes and the user's changes.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "ui/win32_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/win32_test_support.h"

namespace orvane {
namespace {

using win32_test::WindowText;

class Win32ViewTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    rich_edit_ = LoadLibraryW(L"riched20.dll");
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    auto child = [this](const wchar_t* type, const wchar_t* text, DWORD style, int x, int y, int w, int h) {
      return CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    };
    label_ = child(L"STATIC", L"", 0, 0, 0, 100, 20);
    button_ = child(L"BUTTON", L"Refresh", 0, 0, 30, 80, 20);
    log_ = child(L"RichEdit20W", L"", ES_MULTILINE, 0, 60, 300, 100);
    tree_ = child(WC_TREEVIEWW, L"", TVS_CHECKBOXES, 300, 0, 200, 150);
    list_ = child(WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL, 0, 170, 400, 100);
    for (int column = 0; column < 4; ++column) {
      LVCOLUMNW info{};
      info.mask = LVCF_WIDTH;
      info.cx = 80;
      ListView_InsertColumn(list_, column, &info);
    }
    choice_ = child(L"LISTBOX", L"", 0, 400, 170, 150, 100);
    ASSERT_TRUE(view_.Create());
    view_.Bind(ViewControl::SourceStatus1, label_);
    view_.Bind(ViewControl::SourceRefresh, button_);
    view_.Bind(ViewControl::CmdLog, log_);
    view_.Bind(ViewControl::DeviceTree, tree_);
    view_.Bind(ViewControl::DriverList, list_);
    view_.Bind(ViewControl::WindowsChoice, choice_);
  }

  void TearDown() override {
    DestroyWindow(parent_);
    if (rich_edit_) FreeLibrary(rich_edit_);
  }

  // Runs work on a worker thread while this thread handles window events;
  // between steps of the worker, on_this_thread may run user actions.
  void OnWorker(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      work();
      done = true;
    });
    while (!done) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      DrainWindowEvents();
    }
    worker.join();
  }

  HMODULE rich_edit_ = nullptr;
  HWND parent_ = nullptr;
  HWND label_ = nullptr;
  HWND button_ = nullptr;
  HWND log_ = nullptr;
  HWND tree_ = nullptr;
  HWND list_ = nullptr;
  HWND choice_ = nullptr;
  Win32View view_;
};

TEST_F(Win32ViewTest, WorkerUpdatesArriveInOrderAndReadsSeeThem) {
  std::wstring expected_log;
  std::vector<std::wstring> label_seen;
  OnWorker([&] {
    for (int i = 0; i < 200; ++i) {
      view_.SetText(ViewControl::SourceStatus1, std::to_wstring(i));
      view_.AppendLog(L"\r\n" + std::to_wstring(i));
      // What the worker just wrote is what the window shows.
      if (i % 50 == 0) label_seen.push_back(WindowText(label_));
    }
    view_.SetText(ViewControl::SourceRefresh, L"Cancel");
    view_.SetEnabled(ViewControl::SourceRefresh, false);
  });
  for (int i = 0; i < 200; ++i) expected_log += L"\r" + std::to_wstring(i);  // the view keeps CR only
  std::wstring log = WindowText(log_);
  std::wstring normalised;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] == L'\r' && i + 1 < log.size() && log[i + 1] == L'\n') continue;
    normalised += log[i] == L'\n' ? L'\r' : log[i];
  }
  EXPECT_EQ(normalised, expected_log);
  EXPECT_EQ(WindowText(label_), L"199");
  EXPECT_EQ(label_seen, (std::vector<std::wstring>{L"0", L"50", L"100", L"150"}));
  EXPECT_EQ(WindowText(button_), L"Cancel");
  EXPECT_FALSE(IsWindowEnabled(button_));
}

TEST_F(Win32ViewTest, LogTextGoesToTheEndWhereverTheCaretIs) {
  view_.AppendLog(L"first");
  SendMessageW(log_, EM_SETSEL, 0, 0);  // the user clicked at the start
  OnWorker([&] { view_.AppendLog(L" second"); });
  EXPECT_EQ(WindowText(log_), L"first second");
}

TEST_F(Win32ViewTest, TreeItemsCheckMarksDataAndColours) {
  int count = 0;
  bool checked_first = true, checked_second = false;
  int64_t data = 0;
  OnWorker([&] {
    view_.ClearTree(ViewControl::DeviceTree);
    view_.AddTreeItem(ViewControl::DeviceTree, L"Ethernet", ItemIcon{}, 4);
    view_.AddTreeItem(ViewControl::DeviceTree, L"SATA AHCI (2)", ItemIcon{}, 7);
    count = view_.TreeItemCount(ViewControl::DeviceTree);
  });
  EXPECT_EQ(count, 2);
  HTREEITEM first = TreeView_GetRoot(tree_);
  HTREEITEM second = TreeView_GetNextSibling(tree_, first);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(TreeView_GetCheckState(tree_, first), 0u);
  TreeView_SetCheckState(tree_, second, TRUE);  // the user ticks the second
  OnWorker([&] {
    checked_first = view_.IsTreeItemChecked(ViewControl::DeviceTree, 0);
    checked_second = view_.IsTreeItemChecked(ViewControl::DeviceTree, 1);
    data = view_.TreeItemData(ViewControl::DeviceTree, 1);
    view_.SetTreeItemChecked(ViewControl::DeviceTree, 1, false);
    view_.SetTreeItemColour(ViewControl::DeviceTree, 1, ItemColour{255, 0, 0});
  });
  EXPECT_FALSE(checked_first);
  EXPECT_TRUE(checked_second);
  EXPECT_EQ(data, 7);
  EXPECT_EQ(TreeView_GetCheckState(tree_, second), 0u);

  // The colour is given when the tree draws the item.
  NMTVCUSTOMDRAW draw{};
  draw.nmcd.hdr.hwndFrom = tree_;
  draw.nmcd.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
  draw.nmcd.dwDrawStage = CDDS_PREPAINT;
  EXPECT_EQ(SendMessageW(parent_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), CDRF_NOTIFYITEMDRAW);
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  draw.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(second);
  draw.clrText = RGB(1, 2, 3);
  SendMessageW(parent_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
  EXPECT_EQ(draw.clrText, RGB(255, 0, 0));
  draw.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(first);
  draw.clrText = RGB(1, 2, 3);
  SendMessageW(parent_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
  EXPECT_EQ(draw.clrText, RGB(1, 2, 3));

  OnWorker([&] { view_.ClearTree(ViewControl::DeviceTree); });
  EXPECT_EQ(TreeView_GetCount(tree_), 0u);
}

TEST_F(Win32ViewTest, ListLinesAndTheSelectedLine) {
  int none = 0, chosen = -1, choice = -1;
  OnWorker([&] {
    view_.ClearList(ViewControl::DriverList);
    view_.AddListLine(ViewControl::DriverList, {L"LAN", L"Acme", L"1.2.3", L"05/01/2021"}, ItemIcon{});
    view_.AddListLine(ViewControl::DriverList, {L"WLAN", L"Contoso", L"9.0", L"01/01/2020"}, ItemIcon{});
    view_.AddListLine(ViewControl::WindowsChoice, {L"C:\\Windows - (System)"}, ItemIcon{});
    none = view_.SelectedListLine(ViewControl::DriverList);
  });
  EXPECT_EQ(none, -1);
  ASSERT_EQ(ListView_GetItemCount(list_), 2);
  wchar_t cell[64] = {};
  ListView_GetItemText(list_, 1, 1, cell, 64);
  EXPECT_STREQ(cell, L"Contoso");
  ListView_GetItemText(list_, 0, 3, cell, 64);
  EXPECT_STREQ(cell, L"05/01/2021");
  ListView_SetItemState(list_, 1, LVIS_SELECTED, LVIS_SELECTED);
  SendMessageW(choice_, LB_SETCURSEL, 0, 0);
  OnWorker([&] {
    chosen = view_.SelectedListLine(ViewControl::DriverList);
    choice = view_.SelectedListLine(ViewControl::WindowsChoice);
  });
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(choice, 0);
}

TEST_F(Win32ViewTest, UnboundControlsAndADetachedViewAreIgnored) {
  int selected = 0;
  OnWorker([&] {
    view_.SetText(ViewControl::TargetLine, L"x");
    view_.ShowPage(2);
    selected = view_.SelectedListLine(ViewControl::CmdStatus);
  });
  EXPECT_EQ(selected, -1);
  view_.Detach();
  int count = 5;
  selected = 0;
  OnWorker([&] {
    view_.SetText(ViewControl::SourceStatus1, L"late");
    view_.AddTreeItem(ViewControl::DeviceTree, L"late", ItemIcon{}, 1);
    selected = view_.SelectedListLine(ViewControl::DriverList);
    count = view_.TreeItemCount(ViewControl::DeviceTree);
  });
  EXPECT_EQ(WindowText(label_), L"");
  EXPECT_EQ(TreeView_GetCount(tree_), 0u);
  EXPECT_EQ(selected, -1);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace orvane
