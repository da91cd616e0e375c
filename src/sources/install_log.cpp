#include "sources/install_log.h"

#include "text/text_helpers.h"

namespace orvane {

const wchar_t kProductLine[] = L"Orvane driver installer for WinPE";

std::wstring LogFilePath(const std::wstring& temp_directory) {
  if (temp_directory.size() < 2 || temp_directory[1] != L':') return L"";
  return temp_directory.substr(0, 2) + L"\\Orvane.log";
}

bool InstallLog::Open(FileSystem& files, const std::wstring& temp_directory) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
  files_ = &files;
  path_ = LogFilePath(temp_directory);
  if (path_.empty()) return false;
  if (files.FileSize(path_) != kFileSizeMissing) {
    files.SetAttributes(path_, 0);
    files.DeleteFile(path_);
    if (files.FileSize(path_) != kFileSizeMissing) return false;
  }
  open_ = files.WriteFile(path_, std::string());
  return open_;
}

void InstallLog::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
}

bool InstallLog::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

std::wstring InstallLog::Path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void InstallLog::LogAppend(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || files_ == nullptr) return;
  files_->AppendFile(path_, WideToUtf8(text + L"\r\n"));
}

void LogWindowAppend(WindowView& view, const std::wstring& text) { view.AppendLog(text); }

void WriteUnattendedHeader(InstallLog& log, WindowView& view, const std::wstring& version,
                           const SystemProfile& running, const LocalDate& today) {
  const std::wstring system = L"WinPE: " + WindowsDisplayName(running.version, running.architecture) + L" (" +
                              BitnessText(running.architecture) + L")";
  log.LogAppend(L"\r\nOrvane V." + version);
  log.LogAppend(kProductLine);
  log.LogAppend(L"Date: Day:" + DecimalText(today.day) + L" Month:" + DecimalText(today.month) + L" Year:" +
                DecimalText(today.year));
  log.LogAppend(L"\r\n" + system + L"\r\n");
  LogWindowAppend(view, L"\r\n" + system);
}

}  // namespace orvane
