// <windows.h> first: its DeleteFile/CopyFile macros must rename the file
// system's methods alike in every header below.
#include <windows.h>
#include <richedit.h>

#include "ui/command_window.h"

#include <chrono>
#include <memory>

#include "platform/windows/system_library.h"
#include "platform/windows/windows_file_system.h"
#include "text/ui_texts.h"
#include "ui/skin_frame.h"
#include "ui/win32_view.h"

namespace orvane {

namespace {

constexpr DWORD kEndDisplayMs = 1000;
constexpr UINT kRunEndedMessage = WM_APP + 0x43;
constexpr int kLogX = 11, kLogY = 85, kLogWidth = 409, kLogHeight = 215;
constexpr COLORREF kRuleColour = RGB(119, 142, 187);

// Events of one pass of the loop, set by the window procedure.
struct LoopEvents {
  bool close_requested = false;
  bool cancel_pressed = false;
  bool escape_pressed = false;
};

HWND AddControl(HWND parent, const wchar_t* window_class, const std::wstring& text, DWORD style, int x, int y,
                int width, int height, int id, HFONT font, DWORD ex_style = 0) {
  HWND control = CreateWindowExW(ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// Handles window events for up to timeout_ms, returning early once done()
// says so. Calls that a worker hands to this thread go on meanwhile.
template <typename Done>
void PumpFor(DWORD timeout_ms, Done done) {
  DWORD start = GetTickCount();
  for (;;) {
    DrainWindowEvents();
    if (done()) return;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return;
    DWORD slice = timeout_ms - elapsed;
    if (slice > 20) slice = 20;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
  }
}

// Ends a running worker at once: the token stops it at its next check and
// ends the archiver it waits for. The view is detached first, so nothing
// the abandoned run writes reaches the window any more. The worker gets a
// short grace to reach its check (its calls into the window are still
// answered, and ignored); one that does not come back from a blocking call
// is left to the end of the process. Then the folders the run made for
// itself and still owns (its unpack folder) go; a folder of the same usual
// name that the run did not make stays.
void ForceEnd(Win32View& view, CancellationToken& token, FileSystem& files) {
  if (!WorkerThread.IsRunning()) return;
  view.Detach();
  StopRequested = 1;
  token.Cancel();
  PumpFor(kCmdForcedEndGraceMs, [] { return !WorkerThread.IsRunning(); });
  if (WorkerThread.IsRunning()) WorkerThread.Abandon();
  token.RemoveOwnedFolders(files);
}

}  // namespace

CommandModeEnd RunCommandMode(const std::wstring& version, const std::wstring& driver_source,
                              const std::wstring& filter_list, const std::wstring& driver_store, UnattendedRun run) {
  WindowsFileSystem files;
  return RunCommandMode(version, driver_source, filter_list, driver_store, std::move(run), files);
}

CommandModeEnd RunCommandMode(const std::wstring& version, const std::wstring& driver_source,
                              const std::wstring& filter_list, const std::wstring& driver_store, UnattendedRun run,
                              FileSystem& files) {
  // The rich-edit control class comes from the system folder only.
  SystemLibrary rich_edit(L"riched20.dll");
  LoopEvents events;
  CommandModeEnd end = CommandModeEnd::kRunEnded;
  {
    SkinFrame frame;
    auto handler = [&events](HWND window, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
      switch (message) {
        case WM_COMMAND:
          if (LOWORD(wparam) == kCmdCancelId && HIWORD(wparam) == BN_CLICKED) {
            events.cancel_pressed = true;
          } else if (LOWORD(wparam) == kCmdEscapeEvent) {
            events.escape_pressed = true;
          } else {
            return false;
          }
          *result = 0;
          return true;
        case WM_CLOSE:
          events.close_requested = true;
          *result = 0;
          return true;
        case WM_TIMER:
          if (wparam != kCmdTimerId) return false;
          *result = 0;  // only wakes the loop
          return true;
        case WM_PAINT: {
          // A thin rule around the log view.
          PAINTSTRUCT paint;
          HDC dc = BeginPaint(window, &paint);
          RECT rule{kLogX - 1, kLogY - 1, kLogX + kLogWidth + 1, kLogY + kLogHeight + 1};
          HBRUSH brush = CreateSolidBrush(kRuleColour);
          FrameRect(dc, &rule, brush);
          DeleteObject(brush);
          EndPaint(window, &paint);
          *result = 0;
          return true;
        }
        default:
          return false;
      }
    };
    if (!frame.Create(kCommandFrame, handler)) {
      return CommandModeEnd::kNoWindow;
    }
    HWND window = frame.window();
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    HWND status = AddControl(window, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 12, 60, 350, 20, kCmdStatusId, font);
    AddControl(window, L"STATIC", L"V. " + version, SS_LEFT | SS_NOPREFIX, 370, 63, 53, 18, kCmdVersionId, font);
    HWND log = AddControl(window, L"RichEdit20W", L"",
                          ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL, kLogX, kLogY,
                          kLogWidth, kLogHeight, kCmdLogId, font);
    AddControl(window, L"BUTTON", UiText(TxtCancel), BS_PUSHBUTTON | WS_TABSTOP, 350, 314, 64, 20, kCmdCancelId,
               font);
    if (log) {
      // Plain text only; no limit on how much the run writes.
      SendMessageW(log, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
      SendMessageW(log, EM_SETEVENTMASK, 0, 0);
      // Some air between the rule and the text.
      RECT text_area{6, 4, kLogWidth - 6 - GetSystemMetrics(SM_CXVSCROLL), kLogHeight - 4};
      SendMessageW(log, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text_area));
    }

    ACCEL escape{FVIRTKEY, VK_ESCAPE, kCmdEscapeEvent};
    HACCEL accelerators = CreateAcceleratorTableW(&escape, 1);
    frame.Show();

    auto view = std::make_shared<Win32View>();
    view->Create();
    view->Bind(ViewControl::CmdStatus, status);
    view->Bind(ViewControl::CmdLog, log);
    auto token = std::make_shared<CancellationToken>();

    if (!WorkerThread.IsRunning()) {
      StopRequested = 0;
      UnattendedRequest request{version, driver_source, driver_store, filter_list};
      WorkerThread.Start([view, token, run, request, window]() mutable {
        if (run) run(std::move(request), *view, StopRequested, *token);
        // Wake the loop now rather than at the next timer tick.
        PostMessageW(window, kRunEndedMessage, 0, 0);
      });
    }
    SetTimer(window, kCmdTimerId, 1000, nullptr);

    bool finish = false;
    while (!finish) {
      MSG message;
      BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(message.wParam));
        events.close_requested = true;
      } else if (got > 0) {
        if (message.message == kRunEndedMessage) {
          // The worker posts this as its very last step.
          WorkerThread.WaitForEnd(std::chrono::milliseconds(500));
        } else if (!accelerators || !TranslateAcceleratorW(window, accelerators, &message)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      if (events.cancel_pressed) {
        events.cancel_pressed = false;
        StopRequested = 1;  // the run stops at its next check; the window stays
      }
      if (events.escape_pressed) {
        events.escape_pressed = false;
        if (WorkerThread.IsRunning()) {
          end = CommandModeEnd::kForcedEnd;
          view->Detach();
        }
        SetWindowTextW(status, kCmdExitStatus);
        UpdateWindow(status);
        ForceEnd(*view, *token, files);
      }
      if (events.close_requested) {
        // The process ends after this window; the run must not outlive it
        // half-way through an unpack, nor leave the archiver running.
        if (WorkerThread.IsRunning()) end = CommandModeEnd::kForcedEnd;
        ForceEnd(*view, *token, files);
        finish = true;
      }
      if (!WorkerThread.IsRunning()) {
        // Leave what the run wrote on screen for a second.
        PumpFor(kEndDisplayMs, [] { return false; });
        finish = true;
      }
      Sleep(1);
    }

    KillTimer(window, kCmdTimerId);
    view->Detach();
    if (accelerators) DestroyAcceleratorTable(accelerators);
  }
  return end;
}

}  // namespace orvane
