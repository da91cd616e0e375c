#include "ui/source_chooser.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

#include "platform/windows/windows_file_system.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {

namespace {

constexpr const wchar_t* kChooserClass = L"OrvaneSourceChooser";
constexpr int kNameColumnWidth = 200;
constexpr int kSizeColumnWidth = 110;

bool RegisterChooserClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kChooserClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_SHARED));
  wc.lpszClassName = kChooserClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// Index of the system's small icon for an entry; the shell answers from the
// name and kind alone, except for drives, whose icon depends on their type.
int EntryIcon(const std::wstring& folder, const SourceEntry& entry) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
  std::wstring name;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  switch (entry.kind) {
    case SourceEntryKind::kDrive:
      name = entry.name + L"\\";
      break;
    case SourceEntryKind::kUp:
    case SourceEntryKind::kFolder:
      name = L"folder";
      attributes = FILE_ATTRIBUTE_DIRECTORY;
      flags |= SHGFI_USEFILEATTRIBUTES;
      break;
    case SourceEntryKind::kFile:
      name = entry.name;
      flags |= SHGFI_USEFILEATTRIBUTES;
      break;
  }
  if (!SHGetFileInfoW(name.c_str(), attributes, &info, sizeof info, flags)) return -1;
  return info.iIcon;
}

HIMAGELIST SystemSmallIcons() {
  SHFILEINFOW info{};
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                                                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
}

std::wstring SizeText(uint64_t bytes) {
  const uint64_t kib = (bytes + 1023) / 1024;
  return DecimalText(static_cast<int64_t>(kib)) + L" KB";
}

// What the path field shows for a folder: the folder itself, nothing for the
// computer folder.
std::wstring ShownFolder(const std::wstring& folder) { return IsShellFolder(folder) ? L"" : folder; }

}  // namespace

SourceChooser::SourceChooser(FileSystem& files, std::vector<std::wstring> drives)
    : files_(files), drives_(std::move(drives)) {}

SourceChooser::~SourceChooser() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (owner_) EnableWindow(owner_, TRUE);
  if (white_brush_) DeleteObject(white_brush_);
}

bool SourceChooser::Create(HWND owner, const std::wstring& caption, const std::wstring& start_folder,
                           const std::wstring& filter_text) {
  if (window_) return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterChooserClass(instance, &SourceChooser::WindowProc)) return false;
  INITCOMMONCONTROLSEX common{sizeof common, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  white_brush_ = CreateSolidBrush(RGB(255, 255, 255));

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT outer{0, 0, kChooserWidth, kChooserHeight};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kChooserClass, kChooserTitle, style, x, y,
                            width, height, owner, nullptr, instance, this);
  if (!window_) return false;
  owner_ = owner;

  patterns_ = SourceFilterPatterns(filter_text);
  CreateControls(caption, filter_text);
  if (!OpenFolder(SourceStartFolder(files_, start_folder))) OpenFolder(kComputerFolder);

  if (owner_) EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
  SetFocus(control(kChooserList));
  return true;
}

void SourceChooser::CreateControls(const std::wstring& caption, const std::wstring& filter_text) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  struct Item {
    const wchar_t* window_class;
    std::wstring text;
    DWORD style;
    DWORD ex_style;
    int x, y, w, h;
    int id;
  };
  const Item items[] = {
      {L"STATIC", caption, SS_LEFT | SS_NOPREFIX, 0, 10, 10, 170, 20, kChooserCaption},
      {L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 10, 30, 370, 22, kChooserPath},
      {WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_SHAREIMAGELISTS |
                              WS_TABSTOP,
       WS_EX_CLIENTEDGE, 10, 65, 440, 250, kChooserList},
      {L"STATIC", UiText(TxtFileType), SS_LEFT | SS_NOPREFIX, 0, 30, 327, 58, 16, kChooserTypeLabel},
      {L"EDIT", filter_text, ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 90, 325, 290, 20, kChooserFilter},
      {L"BUTTON", UiText(TxtOk), BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 275, 365, 70, 22, kChooserOk},
      {L"BUTTON", UiText(TxtCancel), BS_PUSHBUTTON | WS_TABSTOP, 0, 350, 365, 70, 22, kChooserCancel},
  };
  for (const Item& item : items) {
    HWND handle = CreateWindowExW(item.ex_style, item.window_class, item.text.c_str(),
                                  WS_CHILD | WS_VISIBLE | item.style, item.x, item.y, item.w, item.h, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
    if (handle) SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  HWND list = control(kChooserList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  LVCOLUMNW name{};
  name.mask = LVCF_WIDTH | LVCF_SUBITEM;
  name.cx = kNameColumnWidth;
  name.iSubItem = 0;
  ListView_InsertColumn(list, 0, &name);
  LVCOLUMNW size{};
  size.mask = LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
  size.fmt = LVCFMT_RIGHT;
  size.cx = kSizeColumnWidth;
  size.iSubItem = 1;
  ListView_InsertColumn(list, 1, &size);
  if (HIMAGELIST icons = SystemSmallIcons()) ListView_SetImageList(list, icons, LVSIL_SMALL);
}

bool SourceChooser::OpenFolder(const std::wstring& folder) {
  std::vector<SourceEntry> entries;
  if (!ListSourceFolder(files_, drives_, folder, patterns_, &entries)) return false;
  folder_ = folder;
  entries_ = std::move(entries);
  FillList();
  // The path field follows the list, unless it already names this folder
  // (the user may be typing it).
  HWND path = control(kChooserPath);
  const std::wstring shown = ShownFolder(folder_);
  const std::wstring typed = WindowText(path);
  if (!EqualsNoCase(NormaliseSourceFolder(typed), folder_) || (typed.empty() != shown.empty())) {
    updating_path_ = true;
    SetWindowTextW(path, shown.c_str());
    updating_path_ = false;
  }
  return true;
}

void SourceChooser::FillList() {
  HWND list = control(kChooserList);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  int row = 0;
  for (const SourceEntry& entry : entries_) {
    std::wstring name = entry.name;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = &name[0];
    item.iImage = EntryIcon(folder_, entry);
    ListView_InsertItem(list, &item);
    if (entry.kind == SourceEntryKind::kFile) {
      std::wstring size = SizeText(entry.size);
      ListView_SetItemText(list, row, 1, &size[0]);
    }
    ++row;
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int SourceChooser::SelectedIndex() const {
  return static_cast<int>(
      SendMessageW(control(kChooserList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SourceChooser::PathEdited() {
  if (updating_path_) return;
  const std::wstring typed = TrimBlanks(WindowText(control(kChooserPath)), kTrimBoth);
  std::wstring wanted;
  if (typed.empty() || IsShellFolder(typed)) {
    wanted = kComputerFolder;
  } else {
    wanted = NormaliseSourceFolder(typed);
    // Half-typed and relative texts lead nowhere; wait for a real folder.
    if (IsShellFolder(wanted) || !files_.DirectoryExists(wanted)) return;
  }
  if (EqualsNoCase(wanted, folder_)) return;
  // Going there must not rewrite what the user is typing.
  updating_path_ = true;
  std::vector<SourceEntry> entries;
  if (ListSourceFolder(files_, drives_, wanted, patterns_, &entries)) {
    folder_ = wanted;
    entries_ = std::move(entries);
    FillList();
  }
  updating_path_ = false;
}

void SourceChooser::Activate(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return;
  const SourceEntry entry = entries_[static_cast<size_t>(index)];
  if (entry.kind == SourceEntryKind::kFile) {
    Finish(SourceChoicePath(folder_, &entry));
    return;
  }
  OpenFolder(SourceEntryPath(folder_, entry));
}

void SourceChooser::Confirm() {
  const int index = SelectedIndex();
  const SourceEntry* selected =
      (index >= 0 && static_cast<size_t>(index) < entries_.size()) ? &entries_[static_cast<size_t>(index)] : nullptr;
  const std::wstring path = SourceChoicePath(folder_, selected);
  // The computer folder itself is no source: stay until a drive is chosen.
  if (path.empty()) return;
  Finish(path);
}

void SourceChooser::Finish(const std::wstring& result) {
  if (done_) return;
  result_ = result;
  done_ = true;
  // Give the owner back its input before this window goes, so that the
  // activation returns to it.
  if (owner_) {
    EnableWindow(owner_, TRUE);
    owner_ = nullptr;
  }
  ShowWindow(window_, SW_HIDE);
}

std::wstring SourceChooser::RunModal() {
  while (!done_ && window_) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      Finish(L"");
      break;
    }
    if (got < 0) {
      Finish(L"");
      break;
    }
    if (IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
  }
  return result_;
}

LRESULT CALLBACK SourceChooser::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* chooser = static_cast<SourceChooser*>(create->lpCreateParams);
    chooser->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(chooser));
  }
  auto* chooser = reinterpret_cast<SourceChooser*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!chooser) return DefWindowProcW(window, message, wparam, lparam);
  return chooser->Handle(message, wparam, lparam);
}

LRESULT SourceChooser::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      if (id == kChooserPath && code == EN_CHANGE) {
        PathEdited();
      } else if (id == kChooserOk && code == BN_CLICKED) {
        Confirm();
      } else if (id == kChooserCancel && code == BN_CLICKED) {
        Finish(L"");
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header && static_cast<int>(header->idFrom) == kChooserList && header->code == LVN_ITEMACTIVATE) {
        Activate(reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem);
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels on white; the read-only filter field keeps the system's look.
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == kChooserFilter) break;
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(white_brush_);
    }
    case WM_CLOSE:
      Finish(L"");
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

std::vector<std::wstring> MachineDriveRoots() {
  std::vector<std::wstring> roots;
  const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
  if (needed == 0) return roots;
  std::wstring buffer(needed + 1, L'\0');
  const DWORD got = GetLogicalDriveStringsW(needed, &buffer[0]);
  if (got == 0 || got > needed) return roots;
  for (size_t start = 0; start < got;) {
    const size_t end = buffer.find(L'\0', start);
    if (end == std::wstring::npos || end == start) break;
    roots.push_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  return roots;
}

std::wstring ChooseSource(HWND owner, const std::wstring& caption, const std::wstring& start_folder,
                          const std::wstring& filter_text) {
  WindowsFileSystem files;
  SourceChooser chooser(files, MachineDriveRoots());
  if (!chooser.Create(owner, caption, start_folder, filter_text)) return L"";
  return chooser.RunModal();
}

}  // namespace orvane
