// The command window in this process: its texts, its end a second after the
// run, the polite stop and the forced end. (Its size, its end and the exit
// code after Escape on the real program are checked in tests/e2e/main_window.sh.)
#include <windows.h>

#include "ui/command_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/cancellation.h"
#include "app/worker_state.h"
#include "install/run_folder.h"
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
  HWND window = nullptr;
  PumpUntil([&] { return (window = FindWindowW(L"OrvaneSkinWindow", L" Orvane")) && IsWindowVisible(window); });
  return window;
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
    EXPECT_FALSE(WorkerThread.IsRunning());
    files_.DeleteTree(unpack_);
    files_.DeleteTree(unpack_ + L".1");
  }

  CommandModeEnd Run(UnattendedRun run) {
    return RunCommandMode(L"2.0.3.2", L"X:\\drivers", L",net,", L"1", std::move(run), files_);
  }

  WindowsFileSystem files_;
  std::wstring unpack_;
};

TEST_F(CommandWindowTest, ShowsItsTextsAndACloseRequestEndsTheRunAndTheWindow) {
  std::wstring request_seen, shown;
  bool cancelled = false;
  const Clock::time_point start = Clock::now();
  Run([&](UnattendedRequest request, WindowView&, std::atomic<uint8_t>&, CancellationToken& cancel) {
    request_seen = request.version + L"|" + request.driver_source + L"|" + request.driver_store + L"|" +
                   request.filter_list;
    HWND window = FindCommandWindow();
    shown = L"'" + WindowText(window) + L"'";
    for (int id : {kCmdStatusId, kCmdVersionId, kCmdLogId, kCmdCancelId})
      shown += L" '" + WindowText(GetDlgItem(window, id)) + L"'";
    PostMessageW(window, WM_CLOSE, 0, 0);
    cancelled = PumpUntil([&] { return cancel.IsCancelled(); }, 10000);
  });
  EXPECT_EQ(L"2.0.3.2|X:\\drivers|1|,net,", request_seen);
  EXPECT_EQ(L"' Orvane' '' 'V. 2.0.3.2' '' 'Cancel'", shown);
  EXPECT_TRUE(cancelled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(FindWindowW(L"OrvaneSkinWindow", L" Orvane"), nullptr);
}

TEST_F(CommandWindowTest, CancelPressedTwiceIsOnePoliteStopAndTheWindowStaysASecondAfterTheRun) {
  bool stop_seen = false, cancelled = false;
  std::wstring status;
  std::atomic<long long> shown{-1};
  std::thread watcher;
  const CommandModeEnd end = Run([&](UnattendedRequest, WindowView&, std::atomic<uint8_t>& stop,
                                     CancellationToken& cancel) {
    HWND window = FindCommandWindow();
    HWND button = window ? GetDlgItem(window, kCmdCancelId) : nullptr;
    PostMessageW(button, BM_CLICK, 0, 0);
    PostMessageW(button, BM_CLICK, 0, 0);
    stop_seen = PumpUntil([&] { return stop == 1; }, 10000);
    // The window stays open while the run finishes its step.
    Sleep(300);
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
  EXPECT_FALSE(cancelled);
  EXPECT_NE(status, kCmdExitStatus);
  // A polite stop leaves the unpack folder to the run.
  EXPECT_TRUE(files_.FileExists(unpack_ + L"\\pkg\\a.inf"));
}

// Escape ends the run through its token, which also ends the archiver the
// run waits for (tests/app/cancellation_test.cpp; on the real program, the
// close request of tests/e2e/driver_folder.sh and the exit code after Escape
// in tests/e2e/main_window.sh). A run stuck in a call that knows nothing of
// the token is left behind after a grace; its late writes never overwrite the
// exit notice, and the folder it made goes, not the user's of the same name.
TEST_F(CommandWindowTest, EscapeLeavesARunThatIgnoresItBehindAndRemovesOnlyTheRunsOwnFolder) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  Clock::time_point escape_sent;
  std::wstring status, log, own;
  const CommandModeEnd end =
      Run([&, release](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken& cancel) {
        HWND window = FindCommandWindow();
        // The usual name is taken by a folder of the user's (the fixture's).
        own = CreateRunFolder(files_, unpack_);
        cancel.AddOwnedFolder(own);
        files_.WriteFile(own + L"\\half.inf", "[Ver");
        escape_sent = Clock::now();
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpUntil([&] { return cancel.IsCancelled(); });
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
  EXPECT_TRUE(WorkerThread.AnyThreadAlive());
  EXPECT_EQ(own, unpack_ + L".1");
  EXPECT_FALSE(files_.DirectoryExists(own));
  EXPECT_TRUE(files_.FileExists(unpack_ + L"\\pkg\\a.inf"));
  *release = true;
  Sleep(50);
}

}  // namespace
}  // namespace orvane
