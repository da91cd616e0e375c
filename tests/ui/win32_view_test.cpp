// The window view as a worker thread uses it: every call reaches the
// controls on the window's thread, in the worker's order, and reads see the
// worker's own earlier writes; the lines of the report list and the line the
// user chose in it. (Tree items, check marks and colours, and the lines of the
// list box, are shown and read by the real program's workers in
// tests/e2e/installed_windows.sh.)
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "ui/win32_view.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
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
    list_ = child(WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL, 0, 170, 400, 100);
    for (int column = 0; column < 4; ++column) {
      LVCOLUMNW info{};
      info.mask = LVCF_WIDTH;
      info.cx = 80;
      ListView_InsertColumn(list_, column, &info);
    }
    ASSERT_TRUE(view_.Create());
    view_.Bind(ViewControl::SourceStatus1, label_);
    view_.Bind(ViewControl::SourceRefresh, button_);
    view_.Bind(ViewControl::CmdLog, log_);
    view_.Bind(ViewControl::DriverList, list_);
  }

  void TearDown() override {
    DestroyWindow(parent_);
    if (rich_edit_) FreeLibrary(rich_edit_);
  }

  // Runs work on a worker thread while this thread handles window events.
  void OnWorker(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      work();
      done = true;
    });
    win32_test::PumpUntil([&] { return done.load(); }, 30000);
    worker.join();
  }

  HMODULE rich_edit_ = nullptr;
  HWND parent_ = nullptr;
  HWND label_ = nullptr;
  HWND button_ = nullptr;
  HWND log_ = nullptr;
  HWND list_ = nullptr;
  Win32View view_;
};

TEST_F(Win32ViewTest, WorkerUpdatesArriveInOrderReadsSeeThemAndOthersAreIgnored) {
  std::wstring expected_log;
  std::vector<std::wstring> label_seen;
  int selected = 0;
  OnWorker([&] {
    for (int i = 0; i < 200; ++i) {
      view_.SetText(ViewControl::SourceStatus1, std::to_wstring(i));
      view_.AppendLog(L"\r\n" + std::to_wstring(i));
      // What the worker just wrote is what the window shows.
      if (i % 50 == 0) label_seen.push_back(WindowText(label_));
      // The user clicks at the start of the log: the log still grows at its end.
      if (i == 100) SendMessageW(log_, EM_SETSEL, 0, 0);
    }
    view_.SetText(ViewControl::SourceRefresh, L"Cancel");
    view_.SetEnabled(ViewControl::SourceRefresh, false);
    // Controls the view does not hold are ignored.
    view_.SetText(ViewControl::TargetLine, L"x");
    view_.ShowPage(2);
    selected = view_.SelectedListLine(ViewControl::CmdStatus);
  });
  for (int i = 0; i < 200; ++i) expected_log += L"\r" + std::to_wstring(i);  // the view keeps CR only
  const std::wstring log = WindowText(log_);
  std::wstring lines = log;  // the control may answer CR LF for each CR it keeps
  lines.erase(std::remove(lines.begin(), lines.end(), L'\n'), lines.end());
  EXPECT_EQ(expected_log, lines);
  EXPECT_EQ(label_seen, (std::vector<std::wstring>{L"0", L"50", L"100", L"150"}));
  EXPECT_EQ(L"199|Cancel|0|-1", WindowText(label_) + L"|" + WindowText(button_) + L"|" +
                                    std::to_wstring(IsWindowEnabled(button_)) + L"|" + std::to_wstring(selected));

  // A detached view writes nothing.
  view_.Detach();
  OnWorker([&] {
    view_.SetText(ViewControl::SourceStatus1, L"late");
    view_.AppendLog(L"late");
  });
  EXPECT_EQ(L"199|" + log, WindowText(label_) + L"|" + WindowText(log_));
}

// Every column of every line is shown, and the line the user chose is the one
// the import takes.
TEST_F(Win32ViewTest, ListLinesAndTheSelectedLine) {
  int none = 0, chosen = -1;
  OnWorker([&] {
    view_.AddListLine(ViewControl::DriverList, {L"LAN", L"Acme", L"1.2.3", L"05/01/2021"}, ItemIcon{});
    view_.AddListLine(ViewControl::DriverList, {L"WLAN", L"Contoso", L"9.0", L"01/01/2020"}, ItemIcon{});
    none = view_.SelectedListLine(ViewControl::DriverList);
  });
  std::wstring lines;
  for (int line = 0; line < ListView_GetItemCount(list_); ++line) {
    for (int column = 0; column < 4; ++column) {
      wchar_t cell[64] = {};
      ListView_GetItemText(list_, line, column, cell, 64);
      lines += std::wstring(cell) + L"|";
    }
  }
  EXPECT_EQ(L"LAN|Acme|1.2.3|05/01/2021|WLAN|Contoso|9.0|01/01/2020|", lines);
  ListView_SetItemState(list_, 1, LVIS_SELECTED, LVIS_SELECTED);
  OnWorker([&] { chosen = view_.SelectedListLine(ViewControl::DriverList); });
  EXPECT_EQ(L"-1|1", std::to_wstring(none) + L"|" + std::to_wstring(chosen));
}

}  // namespace
}  // namespace orvane
