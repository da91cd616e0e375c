// The command window in this process: its controls against the layout, its
// end a second after the run, the polite stop and the forced end.
#include <windows.h>
#include <winioctl.h>

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
#include "platform/windows/win32_child_process.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_system_info.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(window, buffer, 4096);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  return buffer;
}

HWND FindCommandWindow() {
  for (int i = 0; i < 500; ++i) {
    HWND window = FindWindowW(L"OrvaneSkinWindow", L" Orvane");
    if (window && IsWindowVisible(window)) return window;
    Sleep(10);
  }
  return nullptr;
}

struct ChildInfo {
  std::wstring window_class;
  std::wstring text;
  RECT rect;
  bool enabled;
  bool visible;
  int id;
};

std::vector<ChildInfo> DescribeChildren(HWND window) {
  std::vector<ChildInfo> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ChildInfo info;
    info.window_class = ClassOf(child);
    info.text = TextOf(child);
    GetWindowRect(child, &info.rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&info.rect), 2);
    info.enabled = IsWindowEnabled(child) != FALSE;
    info.visible = (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0;
    info.id = GetDlgCtrlID(child);
    children.push_back(info);
  }
  return children;
}

class CommandWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    StopRequested = 0;
    ASSERT_TRUE(WorkerThread.WaitForEnd(std::chrono::seconds(10)));
    temp_ = system_.TempDirectory();
    unpack_ = PackageUnpackFolder(temp_);
  }

  void Run(UnattendedRun run) {
    RunCommandMode(L"2.0.3.2", L"X:\\drivers", L",net,", L"1", std::move(run), files_, temp_);
  }

  WindowsFileSystem files_;
  WindowsSystemInfo system_;
  std::wstring temp_;
  std::wstring unpack_;
};

TEST_F(CommandWindowTest, ControlsFrameAndRequestAreLaidOutAsDesigned) {
  std::vector<ChildInfo> children;
  std::wstring title;
  std::wstring window_class;
  RECT client{};
  LONG_PTR style = 0;
  int region = ERROR;
  UnattendedRequest seen;
  Run([&](UnattendedRequest request, WindowView&, std::atomic<uint8_t>&, CancellationToken&) {
    seen = request;
    HWND window = FindCommandWindow();
    if (!window) return;
    children = DescribeChildren(window);
    title = TextOf(window);
    GetClientRect(window, &client);
    style = GetWindowLongPtrW(window, GWL_STYLE);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    region = GetWindowRgn(window, rgn);
    DeleteObject(rgn);
  });

  EXPECT_EQ(seen.version, L"2.0.3.2");
  EXPECT_EQ(seen.driver_source, L"X:\\drivers");
  EXPECT_EQ(seen.driver_store, L"1");
  EXPECT_EQ(seen.filter_list, L",net,");

  EXPECT_EQ(title, L" Orvane");
  EXPECT_EQ(client.right, 432);
  EXPECT_EQ(client.bottom, 355);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_TRUE(region == COMPLEXREGION || region == SIMPLEREGION);

  struct Expected {
    const wchar_t* window_class;
    int x, y, width, height;
    std::wstring text;
    bool enabled;
    bool visible;
  };
  const Expected expected[] = {
      {L"Static", 0, 0, 431, 47, L"", false, true},          // title band
      {L"Static", 0, 46, 8, 335, L"", true, true},           // left border
      {L"Static", 423, 46, 8, 335, L"", true, true},         // right border
      {L"Static", 0, 346, 432, 8, L"", true, true},          // bottom border
      {L"Static", 392, 0, 29, 20, L"", true, false},         // minimise highlight
      {L"Static", 421, 0, 47, 20, L"", true, false},         // exit highlight
      {L"Static", 12, 60, 350, 20, L"", true, true},         // CmdStatus
      {L"Static", 370, 63, 53, 18, L"V. 2.0.3.2", true, true},
      {L"RichEdit20W", 11, 85, 409, 215, L"", true, true},   // CmdLog
      {L"Button", 350, 314, 64, 20, L"Cancel", true, true},  // CmdCancel
  };
  ASSERT_EQ(children.size(), std::size(expected));
  for (const Expected& want : expected) {
    bool found = false;
    for (const ChildInfo& child : children) {
      if (child.rect.left != want.x || child.rect.top != want.y) continue;
      if (child.rect.right - child.rect.left != want.width) continue;
      if (child.rect.bottom - child.rect.top != want.height) continue;
      found = true;
      EXPECT_EQ(_wcsicmp(child.window_class.c_str(), want.window_class), 0) << child.window_class;
      EXPECT_EQ(child.text, want.text);
      EXPECT_EQ(child.enabled, want.enabled) << want.x << "," << want.y;
      EXPECT_EQ(child.visible, want.visible) << want.x << "," << want.y;
    }
    EXPECT_TRUE(found) << "no control at " << want.x << "," << want.y << " " << want.width << "x" << want.height;
  }
  // The highlight images lie above the title band.
  int band = -1, minimise = -1, exit = -1;
  for (size_t i = 0; i < children.size(); ++i) {
    if (children[i].id == 9001) band = static_cast<int>(i);
    if (children[i].id == 9002) minimise = static_cast<int>(i);
    if (children[i].id == 9003) exit = static_cast<int>(i);
  }
  EXPECT_LT(minimise, band);
  EXPECT_LT(exit, band);
}

TEST_F(CommandWindowTest, RunThatEndsAtOnceLeavesItsTextOnScreenForAboutASecond) {
  std::atomic<long long> shown{-1};
  std::wstring log_after_end;
  std::thread watcher;
  Run([&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken&) {
    HWND window = FindCommandWindow();
    HWND log = window ? GetDlgItem(window, kCmdLogId) : nullptr;
    view.AppendLog(L"\r\n\r\nAll devices installed.");
    view.SetText(ViewControl::CmdStatus, L"");
    Clock::time_point run_end = Clock::now();
    // Watches the window from outside until it goes.
    watcher = std::thread([&shown, &log_after_end, window, log, run_end] {
      bool read = false;
      while (IsWindow(window) && IsWindowVisible(window) && MillisecondsSince(run_end) < 10000) {
        if (!read && MillisecondsSince(run_end) > 500) {
          log_after_end = TextOf(log);
          read = true;
        }
        Sleep(5);
      }
      shown = MillisecondsSince(run_end);
    });
  });
  watcher.join();
  EXPECT_GE(shown, 950);
  EXPECT_LT(shown, 2000);
  EXPECT_NE(log_after_end.find(L"All devices installed."), std::wstring::npos);
  EXPECT_FALSE(WorkerThread.IsRunning());
}

TEST_F(CommandWindowTest, CancelPressedTwiceIsOnePoliteStop) {
  ASSERT_TRUE(files_.CreateDirectories(unpack_ + L"\\kept"));
  bool stop_seen = false;
  bool cancelled = false;
  std::wstring status;
  Clock::time_point run_end;
  Run([&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>& stop, CancellationToken& cancel) {
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
    status = TextOf(GetDlgItem(window, kCmdStatusId));
    run_end = Clock::now();
  });
  EXPECT_GE(MillisecondsSince(run_end), 950);
  EXPECT_TRUE(stop_seen);
  EXPECT_EQ(StopRequested, 1);
  EXPECT_FALSE(cancelled);
  EXPECT_NE(status, kCmdExitStatus);
  // A polite stop leaves the unpack folder to the run.
  EXPECT_TRUE(files_.DirectoryExists(unpack_ + L"\\kept"));
  files_.DeleteTree(unpack_);
}

bool IsLink(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction: an empty folder turned into a mount point for target.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool made = false;
  if (handle != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + target;
    const size_t names = (substitute.size() + 1 + target.size() + 1) * sizeof(wchar_t);
    std::vector<BYTE> buffer(16 + names, 0);
    auto put16 = [&](size_t at, size_t value) { memcpy(&buffer[at], &value, 2); };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    memcpy(&buffer[0], &tag, 4);
    put16(4, 8 + names);                                         // data length
    put16(8, 0);                                                 // substitute name offset
    put16(10, substitute.size() * sizeof(wchar_t));              // and length
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));        // print name offset
    put16(14, target.size() * sizeof(wchar_t));                  // and length
    memcpy(&buffer[16], substitute.c_str(), substitute.size() * sizeof(wchar_t));
    memcpy(&buffer[16 + (substitute.size() + 1) * sizeof(wchar_t)], target.c_str(), target.size() * sizeof(wchar_t));
    DWORD returned = 0;
    made = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                           nullptr, 0, &returned, nullptr) != FALSE;
    CloseHandle(handle);
  }
  if (!made) RemoveDirectoryW(link.c_str());
  return made;
}

using UnixName = char*(CDECL*)(LPCWSTR);

// The host's name of a path when running under Wine; "" elsewhere.
std::string HostName(const std::wstring& path) {
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) return "";
  char* name = unix_name(path.c_str());
  std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs a host program; a host process may outlive its handle under Wine, so
// the caller waits for the effect with done().
template <typename Done>
bool RunHostTool(const wchar_t* tool, const std::string& arguments, Done done) {
  std::string command_line = std::string("tool ") + arguments;
  std::wstring command(command_line.begin(), command_line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(tool, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

// Under Wine neither junctions nor symbolic links can be made from inside;
// a link made on the host shows as a reparse point, so make one there.
bool MakeHostLink(const std::wstring& link, const std::wstring& target) {
  std::string target_name = HostName(target);
  std::string link_name = HostName(link);
  if (target_name.empty() || link_name.empty()) return false;
  return RunHostTool(L"Z:\\bin\\ln", "-s \"" + target_name + "\" \"" + link_name + "\"",
                     [&] { return IsLink(link); });
}

// Wine cannot remove a host link to a folder that has content; the host can.
void RemoveHostLink(const std::wstring& link) {
  std::string link_name = HostName(link);
  if (link_name.empty()) return;
  RunHostTool(L"Z:\\bin\\rm", "-f \"" + link_name + "\"",
              [&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  if (MakeJunction(link, target) && IsLink(link)) return true;
  if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) && IsLink(link)) {
    return true;
  }
  return MakeHostLink(link, target);
}

// A child that waits for input that never comes.
HANDLE StartBlockingChild(HANDLE* input_write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  if (!CreatePipe(&read, input_write, &inherit, 0)) return nullptr;
  SetHandleInformation(*input_write, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = read;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  wchar_t command[] = L"cmd.exe /q /k";
  BOOL started = CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                &startup, &process);
  CloseHandle(read);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

TEST_F(CommandWindowTest, EscapeEndsTheRunInsideItsExternalCallAndRemovesTheUnpackFolder) {
  // The unpack folder with a read-only file and a link to a folder outside.
  const std::wstring outside = unpack_ + L"_outside";
  if (RunningOnWine()) RemoveHostLink(unpack_ + L"\\link");  // left by an earlier failed run
  files_.DeleteTree(unpack_);
  files_.DeleteTree(outside);
  ASSERT_TRUE(files_.CreateDirectories(unpack_ + L"\\pkg\\sub"));
  ASSERT_TRUE(files_.WriteFile(unpack_ + L"\\pkg\\sub\\a.inf", "[Version]\r\n"));
  ASSERT_TRUE(files_.WriteFile(unpack_ + L"\\pkg\\ro.sys", "x"));
  ASSERT_TRUE(SetFileAttributesW((unpack_ + L"\\pkg\\ro.sys").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(files_.CreateDirectories(outside));
  ASSERT_TRUE(files_.WriteFile(outside + L"\\keep.txt", "keep"));
  ASSERT_TRUE(MakeDirectoryLink(unpack_ + L"\\link", outside));
  ASSERT_TRUE(files_.FileExists(unpack_ + L"\\link\\keep.txt"));

  DWORD child_exit = STILL_ACTIVE;
  DWORD wait_result = WAIT_FAILED;
  bool closing_steps_ran = false;
  std::wstring status;
  Clock::time_point run_end;
  Run([&](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken& cancel) {
    HWND window = FindCommandWindow();
    view.AppendLog(L"\r\n\r\nDecompress package (big.7z)  please wait...");
    HANDLE input = nullptr;
    HANDLE child = StartBlockingChild(&input);
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
    CloseHandle(input);
    status = TextOf(GetDlgItem(window, kCmdStatusId));
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
  EXPECT_TRUE(files_.FileExists(outside + L"\\keep.txt")) << "the link was followed";
  if (RunningOnWine() && files_.DirectoryExists(unpack_)) {
    // Everything went but the host link, which Wine cannot remove.
    std::vector<DirEntry> left;
    files_.ListDirectory(unpack_, &left);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, L"link");
    RemoveHostLink(unpack_ + L"\\link");
    RemoveDirectoryW(unpack_.c_str());
  }
  EXPECT_FALSE(files_.DirectoryExists(unpack_));
  files_.DeleteTree(outside);
}

TEST_F(CommandWindowTest, RunThatIgnoresTheForcedEndIsLeftBehindAfterAGrace) {
  files_.CreateDirectories(unpack_ + L"\\pkg");
  auto release = std::make_shared<std::atomic<bool>>(false);
  Clock::time_point escape_sent;
  Run([&, release](UnattendedRequest, WindowView& view, std::atomic<uint8_t>&, CancellationToken&) {
    HWND window = FindCommandWindow();
    escape_sent = Clock::now();
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    // Stuck in a call that knows nothing of the token.
    while (!*release) Sleep(10);
    view.AppendLog(L"late");  // the window is gone by now: ignored
  });
  long long took = MillisecondsSince(escape_sent);
  EXPECT_GE(took, static_cast<long long>(kCmdForcedEndGraceMs) + 900);
  EXPECT_LT(took, static_cast<long long>(kCmdForcedEndGraceMs) + 4000);
  EXPECT_FALSE(WorkerThread.IsRunning());
  EXPECT_FALSE(files_.DirectoryExists(unpack_));
  *release = true;
  Sleep(50);
}

TEST_F(CommandWindowTest, CloseRequestEndsTheRunAndTheWindow) {
  bool cancelled = false;
  Clock::time_point start = Clock::now();
  Run([&](UnattendedRequest, WindowView&, std::atomic<uint8_t>&, CancellationToken& cancel) {
    PostMessageW(FindCommandWindow(), WM_CLOSE, 0, 0);
    for (int i = 0; i < 1000 && !cancel.IsCancelled(); ++i) Sleep(10);
    cancelled = cancel.IsCancelled();
  });
  EXPECT_TRUE(cancelled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(FindWindowW(L"OrvaneSkinWindow", L" Orvane"), nullptr);
}

TEST_F(CommandWindowTest, PressOutsideTheDragZoneDoesNotMoveTheWindow) {
  RECT before{}, after{};
  Run([&](UnattendedRequest, WindowView&, std::atomic<uint8_t>&, CancellationToken&) {
    HWND window = FindCommandWindow();
    GetWindowRect(window, &before);
    // x 400 lies on the title band beyond the drag zone; y 37 below it.
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 10));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(400, 10));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 37));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(100, 37));
    GetWindowRect(window, &after);
  });
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
}

}  // namespace
}  // namespace orvane
