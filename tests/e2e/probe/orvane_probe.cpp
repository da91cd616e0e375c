// Tool of the end-to-end checks, run under Wine beside the program:
// reads what a window shows from outside its process, drives its controls,
// and prepares registry and device fixtures.
//
//   orvane-probe dump TITLE                   the top-level window TITLE and its controls, one per line:
//       window 0 VISIBLE MINIMISED
//       control ID CLASS VISIBLE ENABLED TEXT
//       tree-item ID INDEX CHECKED DATA IMAGE TEXT
//       list-line ID INDEX TEXT
//     (fields separated by tabs, UTF-8)
//   orvane-probe select TITLE ID INDEX        selects line INDEX of the list box ID
//   orvane-probe save-hive KEY FILE           writes HKEY_CURRENT_USER\KEY into the hive file FILE
//                                             (replacing it) and deletes the key
//   orvane-probe add-device ID CLASSGUID HWID...
//                                             registers a device with that instance identifier,
//                                             setup class and hardware identifiers (kept when it exists)
// The folder page and its chooser:
//   orvane-probe select-line TITLE ID INDEX   selects line INDEX of the report list ID (only it)
//   orvane-probe set-text TITLE ID TEXT       sets the text of control ID (an edit field reports the change)
//   orvane-probe click TITLE ID               clicks the button ID
//   orvane-probe close TITLE                  asks the top-level window TITLE to close (WM_CLOSE)
// Copied as 7z.exe, the probe is an archiver that never ends, whatever its
// arguments: the run that waits for it can only be ended from outside.
// Exit code 0 on success, 1 on failure, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& line) {
  const std::wstring with_end = line + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, with_end.c_str(), static_cast<int>(with_end.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, with_end.c_str(), static_cast<int>(with_end.size()), &bytes[0], size, nullptr,
                      nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

std::wstring Number(long long value) { return std::to_wstring(value); }

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
  std::vector<wchar_t> buffer(length + 2, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                      2000, &copied);
  return std::wstring(buffer.data());
}

// Line breaks and tabs would split the output's fields.
std::wstring OneLine(std::wstring text) {
  for (wchar_t& ch : text) {
    if (ch == L'\r' || ch == L'\n' || ch == L'\t') ch = L' ';
  }
  return text;
}

// A block of memory in the window's process for messages that take a pointer.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return address_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
  }
  bool Read(size_t offset, void* data, size_t size) {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

void DumpTree(HWND tree, int id) {
  const size_t kTextChars = 512;
  RemoteBuffer remote(tree, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
  if (!remote.ok()) return;
  int index = 0;
  for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    TVITEMW query = {};
    query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE;
    query.hItem = item;
    query.stateMask = TVIS_STATEIMAGEMASK;
    query.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(TVITEMW)));
    query.cchTextMax = static_cast<int>(kTextChars);
    std::vector<wchar_t> text(kTextChars, L'\0');
    if (!remote.Write(0, &query, sizeof(query)) || !remote.Write(sizeof(TVITEMW), text.data(), text.size() * 2)) return;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.at(0)));
    TVITEMW answer = {};
    if (!remote.Read(0, &answer, sizeof(answer)) || !remote.Read(sizeof(TVITEMW), text.data(), text.size() * 2)) return;
    text.back() = L'\0';
    const bool checked = ((answer.state & TVIS_STATEIMAGEMASK) >> 12) == 2;
    Print(L"tree-item\t" + Number(id) + L"\t" + Number(index++) + L"\t" + Number(checked ? 1 : 0) + L"\t" +
          Number(static_cast<long long>(answer.lParam)) + L"\t" + Number(answer.iImage) + L"\t" +
          OneLine(text.data()));
  }
}

void DumpListBox(HWND list, int id) {
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::vector<wchar_t> text(static_cast<size_t>(length) + 2, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    Print(L"list-line\t" + Number(id) + L"\t" + Number(i) + L"\t" + OneLine(text.data()));
  }
}

BOOL CALLBACK DumpChild(HWND child, LPARAM) {
  wchar_t class_name[128] = {};
  GetClassNameW(child, class_name, 128);
  const int id = GetDlgCtrlID(child);
  Print(L"control\t" + Number(id) + L"\t" + class_name + L"\t" + Number(IsWindowVisible(child) ? 1 : 0) + L"\t" +
        Number(IsWindowEnabled(child) ? 1 : 0) + L"\t" + OneLine(WindowText(child)));
  if (_wcsicmp(class_name, WC_TREEVIEWW) == 0) DumpTree(child, id);
  if (_wcsicmp(class_name, L"ListBox") == 0) DumpListBox(child, id);
  return TRUE;
}

int Dump(const wchar_t* title) {
  HWND window = FindWindowW(nullptr, title);
  if (!window) return 1;
  Print(L"window\t0\t" + Number(IsWindowVisible(window) ? 1 : 0) + L"\t" + Number(IsIconic(window) ? 1 : 0));
  EnumChildWindows(window, DumpChild, 0);
  return 0;
}

// Control ID anywhere below the top-level window TITLE (pages included).
HWND FindControl(const wchar_t* title, int id) {
  HWND window = FindWindowW(nullptr, title);
  struct Search {
    int id;
    HWND found;
  } search = {id, nullptr};
  if (!window) return nullptr;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The list allows one selected line: selecting one leaves the others.
int SelectLine(const wchar_t* title, int id, int index) {
  HWND list = FindControl(title, id);
  RemoteBuffer remote(list, sizeof(LVITEMW));
  LVITEMW item = {};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!list || !remote.ok() || !remote.Write(0, &item, sizeof(item))) return 1;
  return SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(remote.at(0))) ? 0 : 1;
}

int Select(const wchar_t* title, int id, int index) {
  HWND list = FindControl(title, id);
  return list && SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0) == index ? 0 : 1;
}

bool EnablePrivilege(const wchar_t* name) {
  LUID luid = {};
  HANDLE token = nullptr;
  if (!LookupPrivilegeValueW(nullptr, name, &luid)) return false;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES wanted = {};
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Luid = luid;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const BOOL done = AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr);
  CloseHandle(token);
  return done != FALSE;
}

int SaveHive(const wchar_t* key_path, const wchar_t* file) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
  EnablePrivilege(L"SeBackupPrivilege");
  DeleteFileW(file);
  const LONG saved = RegSaveKeyW(key, file, nullptr);
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_CURRENT_USER, key_path);
  return saved == ERROR_SUCCESS ? 0 : 1;
}

int AddDevice(const wchar_t* instance_id, const wchar_t* class_text, int count, wchar_t** hardware_ids) {
  GUID class_guid = {};
  std::wstring guid_text = class_text;
  if (CLSIDFromString(&guid_text[0], &class_guid) != NOERROR) return 2;
  std::wstring multi;
  for (int i = 0; i < count; ++i) multi += std::wstring(hardware_ids[i]) + L'\0';
  multi += L'\0';
  HDEVINFO set = SetupDiCreateDeviceInfoList(&class_guid, nullptr);
  if (set == INVALID_HANDLE_VALUE) return 1;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  int result = 1;
  if (SetupDiCreateDeviceInfoW(set, instance_id, &class_guid, nullptr, nullptr, 0, &device)) {
    if (SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(multi.data()),
                                          static_cast<DWORD>(multi.size() * sizeof(wchar_t))) &&
        SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)) {
      result = 0;
    }
  } else if (GetLastError() == ERROR_DEVINST_ALREADY_EXISTS) {
    result = 0;
  }
  SetupDiDestroyDeviceInfoList(set);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const wchar_t* name = wcsrchr(self, L'\\');
  if (_wcsicmp(name ? name + 1 : self, L"7z.exe") == 0) Sleep(INFINITE);
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  if (command == L"dump" && argc == 3) return Dump(argv[2]);
  if (command == L"select" && argc == 5) return Select(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
  if (command == L"save-hive" && argc == 4) return SaveHive(argv[2], argv[3]);
  if (command == L"add-device" && argc >= 5) return AddDevice(argv[2], argv[3], argc - 4, argv + 4);
  // The folder page and its chooser.
  if (command == L"select-line" && argc == 5) return SelectLine(argv[2], _wtoi(argv[3]), _wtoi(argv[4]));
  if (command == L"set-text" && argc == 5) {
    HWND control = FindControl(argv[2], _wtoi(argv[3]));
    return control && SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
  }
  if (command == L"close" && argc == 3) {
    HWND window = FindWindowW(nullptr, argv[2]);
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (command == L"click" && argc == 4) {
    HWND button = FindControl(argv[2], _wtoi(argv[3]));
    return button && PostMessageW(button, BM_CLICK, 0, 0) ? 0 : 1;
  }
  return 2;
}
