// The source chooser: a small titled window with an editable path field, the
// folders and driver files of the current folder, the filter and OK/Cancel.
// It starts in a given folder (the computer folder lists the drives), opens
// folders on double-click and returns the chosen folder, INF or package.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/source_listing.h"
#include "platform/file_system.h"

namespace orvane {

// Control identifiers of the chooser window.
enum SourceChooserId : int {
  kChooserCaption = 2001,
  kChooserPath,
  kChooserList,
  kChooserTypeLabel,
  kChooserFilter,
  kChooserOk = IDOK,
  kChooserCancel = IDCANCEL,
};

// Client size of the chooser window.
constexpr int kChooserWidth = 460;
constexpr int kChooserHeight = 400;
// Title of the chooser window (no leading blank: it is not the main window).
constexpr wchar_t kChooserTitle[] = L"Orvane";

class SourceChooser {
 public:
  // drives: the roots the computer folder shows ("C:\" ...).
  SourceChooser(FileSystem& files, std::vector<std::wstring> drives);
  ~SourceChooser();
  SourceChooser(const SourceChooser&) = delete;
  SourceChooser& operator=(const SourceChooser&) = delete;

  // Creates and shows the window, centred, owned by owner (may be null),
  // listing start_folder (or the computer folder when it is gone).
  bool Create(HWND owner, const std::wstring& caption, const std::wstring& start_folder,
              const std::wstring& filter_text);
  // Keeps the owner disabled and handles events until the chooser is done;
  // then destroys the window and returns the result.
  std::wstring RunModal();

  // Lists a folder (kept form, see source_listing.h). False, and nothing
  // changes, when it cannot be listed.
  bool OpenFolder(const std::wstring& folder);

  HWND window() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }
  const std::wstring& folder() const { return folder_; }
  const std::vector<SourceEntry>& entries() const { return entries_; }
  bool done() const { return done_; }
  // The chosen path; "" after Cancel or a close request.
  const std::wstring& result() const { return result_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls(const std::wstring& caption, const std::wstring& filter_text);
  void FillList();
  void PathEdited();
  void Activate(int index);
  void Confirm();
  void Finish(const std::wstring& result);
  int SelectedIndex() const;

  FileSystem& files_;
  std::vector<std::wstring> drives_;
  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  HBRUSH white_brush_ = nullptr;
  std::wstring patterns_;
  std::wstring folder_;
  std::vector<SourceEntry> entries_;
  bool updating_path_ = false;
  bool done_ = false;
  std::wstring result_;
};

// The drive roots of the machine ("C:\", "D:\" ...), in the platform's order.
std::vector<std::wstring> MachineDriveRoots();

// Opens the chooser over the Windows file system with the machine's drives
// and waits for the choice: the chosen path, or "" when nothing was chosen.
// filter_text names the patterns in parentheses, e.g. "Folder (*.inf;*.zip;*.7z)".
std::wstring ChooseSource(HWND owner, const std::wstring& caption, const std::wstring& start_folder,
                          const std::wstring& filter_text);

}  // namespace orvane
