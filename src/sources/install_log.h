// The installation log: one plain-text file per run ("\Orvane.log" on the
// drive of the temporary directory, UTF-8 without byte-order mark, every
// write one line ended by CR LF), and the log view of the command window.
#pragma once

#include <mutex>
#include <string>

#include "app/window_view.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "registry/system_profile.h"

namespace orvane {

// The log file of a run. Not open until a run opens it; every LogAppend
// while it is not open does nothing, so a run goes on without a log when the
// file cannot be made.
class InstallLog {
 public:
  InstallLog() = default;
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  // Starts the log of a run: deletes any old file (read-only forced), then
  // creates it empty. False, and not open, when the temporary directory has
  // no drive, the old file stays or the new one cannot be created.
  bool Open(FileSystem& files, const std::wstring& temp_directory);
  // Ends the run's log; nothing is written afterwards.
  void Close();
  bool IsOpen() const;
  // drive + "\Orvane.log" of the last Open ("" before).
  std::wstring Path() const;

  // Writes text followed by CR LF at the end of the file. Write errors (a
  // full or read-only drive) are ignored.
  void LogAppend(const std::wstring& text);

 private:
  mutable std::mutex mutex_;
  FileSystem* files_ = nullptr;
  std::wstring path_;
  bool open_ = false;
};

// The program's log file.
inline InstallLog ProgramLog;

// The log file of a run on a temporary directory: its drive + "\Orvane.log";
// "" when the directory has no drive.
std::wstring LogFilePath(const std::wstring& temp_directory);

// Appends text to the command window's log view (CmdLog).
void LogWindowAppend(WindowView& view, const std::wstring& text);

// The line that names the product in the header of every log.
extern const wchar_t kProductLine[];

// The header of an unattended run, written right after the log is opened:
// an empty line and "Orvane V." + version, the product line, the date, and
// the running system between empty lines. The log view gets the running
// system's line at the same moment.
void WriteUnattendedHeader(InstallLog& log, WindowView& view, const std::wstring& version,
                           const SystemProfile& running, const LocalDate& today);

}  // namespace orvane
