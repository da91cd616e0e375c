// The small skinned window of the unattended mode: status line, version and
// the log view that the run writes into. It runs the unattended run as the
// worker thread and returns about a second after the run has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/cancellation.h"
#include "app/window_view.h"
#include "app/worker_state.h"
#include "platform/file_system.h"

namespace orvane {

// The unattended run as the command window starts it: the request, the view
// it reports to (CmdStatus, CmdLog), the polite stop flag and the token of
// the forced end (Escape), which it checks before every file operation and
// every external call.
using UnattendedRun = std::function<void(UnattendedRequest request, WindowView& view,
                                         std::atomic<uint8_t>& stop, CancellationToken& cancel)>;

// Control identifiers of the command window.
constexpr int kCmdStatusId = 1001;
constexpr int kCmdVersionId = 1002;
constexpr int kCmdLogId = 1003;
constexpr int kCmdCancelId = 1004;
constexpr int kCmdEscapeEvent = 110;
constexpr unsigned kCmdTimerId = 123;

// How the command window's work ended.
enum class CommandModeEnd {
  kRunEnded,   // the run came to its end (after a stop request too)
  kForcedEnd,  // Escape or a close request ended the run
  kNoWindow,   // the window could not be created; nothing ran
};

// Builds the window, starts run as the worker, runs the loop and returns
// when the window's work is done (the window is gone then). version,
// driver_source, filter_list and driver_store are the option texts, in the
// order the start-up passes them.
CommandModeEnd RunCommandMode(const std::wstring& version, const std::wstring& driver_source,
                              const std::wstring& filter_list, const std::wstring& driver_store, UnattendedRun run);

// The same over a given file system, through which the forced end deletes
// the folders the run registered with its token as its own.
CommandModeEnd RunCommandMode(const std::wstring& version, const std::wstring& driver_source,
                              const std::wstring& filter_list, const std::wstring& driver_store, UnattendedRun run,
                              FileSystem& files);

// Status text shown after the forced end.
constexpr const wchar_t* kCmdExitStatus = L"Exit Orvane";
// How long the forced end waits for the run to reach its next check before
// the run is left to the end of the process.
constexpr unsigned kCmdForcedEndGraceMs = 3000;

}  // namespace orvane
