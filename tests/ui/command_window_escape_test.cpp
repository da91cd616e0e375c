// After Escape the abandoned run no longer reaches the command window, and
// the window tells its caller how the run ended.
#include <windows.h>

#include "ui/command_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "app/worker_state.h"
#include "platform/windows/windows_file_system.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

HWND VisibleCommandWindow() {
  for (int i = 0; i < 500; ++i) {
    HWND window = FindWindowW(L"OrvaneSkinWindow", L" Orvane");
    if (window && IsWindowVisible(window)) return window;
    Sleep(10);
  }
  return nullptr;
}

std::wstring StatusOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(GetDlgItem(window, kCmdStatusId), buffer, 256);
  return buffer;
}

TEST(CommandWindowEnd, LateWritesOfAnAbandonedRunNeverOverwriteTheExitNotice) {
  LoadUiTexts(0x0409);
  ASSERT_TRUE(WorkerThread.WaitForEnd(std::chrono::seconds(10)));
  WindowsFileSystem files;
  struct Outcome {
    std::wstring status_after_late_write;
    std::wstring log_after_late_write;
  } seen;
  const CommandModeEnd end = RunCommandMode(
      L"2.0.3.2", L"X:\\drivers", L"", L"", [&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&,
                                                CancellationToken& cancel) {
        HWND window = VisibleCommandWindow();
        view.SetText(ViewControl::CmdStatus, L"Check: a.inf");
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 500 && !cancel.IsCancelled(); ++i) Sleep(10);
        // A run that notices the end late and still writes.
        view.SetText(ViewControl::CmdStatus, L"Check: b.inf");
        view.AppendLog(L"late line");
        seen.status_after_late_write = StatusOf(window);
        wchar_t log[256] = {};
        GetWindowTextW(GetDlgItem(window, kCmdLogId), log, 256);
        seen.log_after_late_write = log;
      },
      files);
  EXPECT_EQ(CommandModeEnd::kForcedEnd, end);
  EXPECT_EQ(kCmdExitStatus, seen.status_after_late_write);
  EXPECT_EQ(L"", seen.log_after_late_write);

  // A run that comes to its end by itself.
  EXPECT_EQ(CommandModeEnd::kRunEnded,
            RunCommandMode(L"2.0.3.2", L"", L"", L"1",
                           [](UnattendedRequest, WindowView&, std::atomic<uint8_t>&, CancellationToken&) {},
                           files));
}

}  // namespace
}  // namespace orvane
