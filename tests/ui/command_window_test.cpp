// The command window in this process: its controls, its end a second after
// the run, the polite stop and the forced end. (Its size and its end on the
// real program are checked in tests/e2e/main_window.sh.)
#include <windows.h>

#include "ui/command_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/cancellation.h"
#include "app/worker_state.h"
#include "install/run_folder.h"
#include "platform/windows/win32_child_process.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_system_info.h"
#include "support/win32_test_support.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

using namespace win32_test;
using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

HWND FindCommandWindow() {
  for (int i = 0; i < 500; ++i) {
    HWND window = FindWindowW(L"OrvaneSkinWindow", L" Orvane");
    if (window && IsWindowVisible(window)) return window;
    Sleep(10);
  }
  return nullptr;
}

// A child that never ends by itself: it is never let run.
HANDLE StartStuckChild() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  wchar_t command[] = L"cmd.exe";
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

class CommandWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    StopRequested = 0;
    ASSERT_TRUE(WorkerThread.WaitForEnd(std::chrono::seconds(10)));
    unpack_ = PackageUnpackFolder(WindowsSystemInfo().TempDirectory());
    files_.DeleteTree(unpack_);
    ASSERT_TRUE(files_.CreateDirectories(unpack_ + L"\\pkg"));
    ASSERT_TRUE(files_.WriteFile(unpack_ + L"\\pkg\\a.inf", "[Version]\r\n"));
  }
  void TearDown() override {
    files_.DeleteTree(unpack_);
    files_.DeleteTree(unpack_ + L".1");
  }

  CommandModeEnd Run(UnattendedRun run) {
    return RunCommandMode(L"2.0.3.2", L"X:\\drivers", L",net,", L"1", std::move(run), files_);
  }

  WindowsFileSystem files_;
  std::wstring unpack_;
};

TEST_F(CommandWindowTest, ControlsFrameAndRequest) {
  std::wstring request_seen, shown;
  Run([&](UnattendedRequest request, WindowView&, std::atomic<uint8_t>&, CancellationToken&) {
    request_seen = request.version + L"|" + request.driver_source + L"|" + request.driver_store + L"|" +
                   request.filter_list;
    HWND window = FindCommandWindow();
    if (!window) return;
    RECT client{};
    GetClientRect(window, &client);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int shape = GetWindowRgn(window, region);
    DeleteObject(region);
    const bool popup = HasStyle(window, WS_POPUP) && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == 0;
    shown = L"'" + WindowText(window) + L"' " + Place(client) + (popup ? L" popup" : L" framed") +
            (shape == COMPLEXREGION || shape == SIMPLEREGION ? L" shaped\n" : L" rectangular\n");
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      shown += ClassName(child) + L" '" + WindowText(child) + L"' " + Place(RectIn(child, window)) +
               (IsWindowEnabled(child) ? L" enabled" : L" disabled") +
               (HasStyle(child, WS_VISIBLE) ? L" visible\n" : L" hidden\n");
    }
  });
  EXPECT_EQ(L"2.0.3.2|X:\\drivers|1|,net,", request_seen);
  // The children in Z order: the highlight images lie above the title band.
  EXPECT_EQ(L"' Orvane' 0,0 432x355 popup shaped\n"
            L"static '' 421,0 47x20 enabled hidden\n"    // exit highlight
            L"static '' 392,0 29x20 enabled hidden\n"    // minimise highlight
            L"static '' 0,346 432x8 enabled visible\n"   // bottom border
            L"static '' 0,0 431x47 disabled visible\n"   // title band
            L"static '' 0,46 8x335 enabled visible\n"    // left border
            L"static '' 423,46 8x335 enabled visible\n"  // right border
            L"static '' 12,60 350x20 enabled visible\n"  // CmdStatus
            L"static 'V. 2.0.3.2' 370,63 53x18 enabled visible\n"
            L"richedit20w '' 11,85 409x215 enabled visible\n"  // CmdLog
            L"button 'Cancel' 350,314 64x20 enabled visible\n",  // CmdCancel
            shown);
}

TEST_F(CommandWindowTest, CancelPressedTwiceIsOnePoliteStopAndTheWindowStaysASecondAfterTheRun) {
  bool stop_seen = false, cancelled = false;
  std::wstring status;
  std::atomic<long long> shown{-1};
  std::thread watcher;
  const CommandModeEnd end = Run([&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>& stop,
                                     CancellationToken& cancel) {
    HWND window = FindCommandWindow();
    HWND button = window ? GetDlgItem(window, kCmdCancelId) : nullptr;
    PostMessageW(button, BM_CLICK, 0, 0);
    PostMessageW(button, BM_CLICK, 0, 0);
    for (int i = 0; i < 1000 && !stop; ++i) Sleep(10);
    stop_seen = stop == 1;
    // The window stays open while the run finishes its step.
    Sleep(300);
    view.AppendLog(L"\r\n\r\nProcess finished");
    cancelled = cancel.IsCancelled();
    status = WindowText(GetDlgItem(window, kCmdStatusId));
    const Clock::time_point run_end = Clock::now();
    // Watches the window from outside until it goes.
    watcher = std::thread([window, &shown, run_end] {
      while (IsWindow(window) && IsWindowVisible(window) && MillisecondsSince(run_end) < 10000) Sleep(5);
      shown = MillisecondsSince(run_end);
    });
  });
  watcher.join();
  EXPECT_EQ(CommandModeEnd::kRunEnded, end);
  EXPECT_GE(shown, 950);
  EXPECT_LT(shown, 2000);
  EXPECT_TRUE(stop_seen);
  EXPECT_EQ(StopRequested, 1);
  EXPECT_FALSE(cancelled);
  EXPECT_NE(status, kCmdExitStatus);
  EXPECT_FALSE(WorkerThread.IsRunning());
  // A polite stop leaves the unpack folder to the run.
  EXPECT_TRUE(files_.FileExists(unpack_ + L"\\pkg\\a.inf"));
}

TEST_F(CommandWindowTest, EscapeEndsTheRunInsideItsExternalCallAndRemovesOnlyTheRunsOwnFolder) {
  DWORD child_exit = STILL_ACTIVE, wait_result = WAIT_FAILED;
  bool closing_steps_ran = false;
  std::wstring status, own;
  Clock::time_point run_end;
  Run([&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken& cancel) {
    HWND window = FindCommandWindow();
    // The usual name is taken by a folder of the user's (the fixture's).
    own = CreateRunFolder(files_, unpack_);
    cancel.AddOwnedFolder(own);
    files_.WriteFile(own + L"\\half.inf", "[Ver");
    view.AppendLog(L"\r\n\r\nDecompress package (big.7z)  please wait...");
    HANDLE child = StartStuckChild();
    if (!child) return;
    Win32ChildProcess process(child);
    {
      ChildRegistration registration(cancel, &process);
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      wait_result = WaitForSingleObject(child, 30000);
    }
    GetExitCodeProcess(child, &child_exit);
    if (child_exit == STILL_ACTIVE) TerminateProcess(child, 9);
    CloseHandle(child);
    status = WindowText(GetDlgItem(window, kCmdStatusId));
    run_end = Clock::now();
    if (cancel.IsCancelled()) return;  // abandoned: none of the closing steps
    closing_steps_ran = true;
    view.AppendLog(L"\r\n\r\nProcess finished");
  });
  EXPECT_EQ(wait_result, WAIT_OBJECT_0);
  EXPECT_EQ(child_exit, 1u);
  EXPECT_FALSE(closing_steps_ran);
  EXPECT_EQ(status, kCmdExitStatus);
  EXPECT_GE(MillisecondsSince(run_end), 900);
  EXPECT_FALSE(WorkerThread.IsRunning());
  // Removed with the file system's DeleteTree (read-only entries and links:
  // tests/app/host_file_system_test.cpp, tests/windows/file_system_windows_test.cpp).
  EXPECT_EQ(own, unpack_ + L".1");
  EXPECT_FALSE(files_.DirectoryExists(own));
  EXPECT_TRUE(files_.FileExists(unpack_ + L"\\pkg\\a.inf"));
}

// A run stuck in a call that knows nothing of the token is left behind after
// a grace; its late writes never overwrite the exit notice.
TEST_F(CommandWindowTest, RunThatIgnoresTheForcedEndIsLeftBehindAfterAGrace) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  Clock::time_point escape_sent;
  std::wstring status, log;
  const CommandModeEnd end =
      Run([&, release](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken& cancel) {
        HWND window = FindCommandWindow();
        escape_sent = Clock::now();
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 500 && !cancel.IsCancelled(); ++i) Sleep(10);
        view.SetText(ViewControl::CmdStatus, L"Check: b.inf");
        view.AppendLog(L"late line");
        status = WindowText(GetDlgItem(window, kCmdStatusId));
        log = WindowText(GetDlgItem(window, kCmdLogId));
        while (!*release) Sleep(10);
        view.AppendLog(L"late");  // the window is gone by now: ignored
      });
  const long long took = MillisecondsSince(escape_sent);
  EXPECT_EQ(CommandModeEnd::kForcedEnd, end);
  EXPECT_EQ(kCmdExitStatus, status);
  EXPECT_EQ(L"", log);
  EXPECT_GE(took, static_cast<long long>(kCmdForcedEndGraceMs) + 900);
  EXPECT_LT(took, static_cast<long long>(kCmdForcedEndGraceMs) + 4000);
  EXPECT_FALSE(WorkerThread.IsRunning());
  EXPECT_TRUE(WorkerThread.AnyThreadAlive());
  EXPECT_TRUE(files_.FileExists(unpack_ + L"\\pkg\\a.inf"));  // not the run's
  *release = true;
  Sleep(50);
}

TEST_F(CommandWindowTest, CloseRequestEndsTheRunAndTheWindow) {
  bool cancelled = false;
  const Clock::time_point start = Clock::now();
  Run([&](UnattendedRequest, WindowView&, std::atomic<uint8_t>&, CancellationToken& cancel) {
    PostMessageW(FindCommandWindow(), WM_CLOSE, 0, 0);
    for (int i = 0; i < 1000 && !cancel.IsCancelled(); ++i) Sleep(10);
    cancelled = cancel.IsCancelled();
  });
  EXPECT_TRUE(cancelled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(FindWindowW(L"OrvaneSkinWindow", L" Orvane"), nullptr);
}

}  // namespace
}  // namespace orvane
