// Tool of the end-to-end checks, run under Wine beside the program:
// reads what a window shows from outside its process, drives its controls,
// and prepares registry and device fixtures.
//
//   orvane-probe dump TITLE                   the controls of the top-level window TITLE, one per line:
//       control ID CLASS VISIBLE ENABLED TEXT
//       tree-item ID INDEX CHECKED DATA TEXT
//       list-line ID INDEX TEXT
//     (fields separated by tabs, UTF-8)
//   orvane-probe select TITLE ID INDEX        selects line INDEX of the list box or report list ID (only it)
//   orvane-probe set-text TITLE ID TEXT       sets the text of control ID (an edit field reports the change)
//   orvane-probe click TITLE ID               clicks the button ID
//   orvane-probe close TITLE                  asks the top-level window TITLE to close (WM_CLOSE)
//   orvane-probe save-hive KEY FILE           writes HKEY_CURRENT_USER\KEY into the hive file FILE
//                                             (replacing it) and deletes the key
//   orvane-probe add-device ID CLASSGUID HWID...
//                                             registers a device with that instance identifier,
//                                             setup class and hardware identifiers (kept when it exists)
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

using std::to_wstring;

// One output line: the fields separated by tabs (line breaks and tabs inside
// a field become blanks), in UTF-8.
void Print(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  for (const std::wstring& field : fields) {
    for (wchar_t ch : field) line += (ch == L'\r' || ch == L'\n' || ch == L'\t') ? L' ' : ch;
    line += L'\t';
  }
  line.back() = L'\n';
  std::string bytes(line.size() * 3 + 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
  fputs(bytes.c_str(), stdout);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

// An item of a tree (TVITEMW) or a report list (LVITEMW) with room for its text.
template <typename T>
struct Item {
  T item;
  wchar_t text[512];
};

// Sends MESSAGE to WINDOW with a pointer to a copy of ITEM in the window's
// process, TEXT (a member of ITEM) pointing at the copy's text, and reads the
// copy back; the message's result, 0 when the copy could not be made.
template <typename T>
LRESULT SendItem(HWND window, UINT message, WPARAM wparam, Item<T>& item, LPWSTR* text) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  auto* remote =
      static_cast<Item<T>*>(VirtualAllocEx(process, nullptr, sizeof(item), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  LRESULT result = 0;
  if (text) *text = remote ? remote->text : nullptr;
  if (WriteProcessMemory(process, remote, &item, sizeof(item), nullptr)) {
    result = SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(remote));
    if (!ReadProcessMemory(process, remote, &item, sizeof(item), nullptr)) result = 0;
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (process) CloseHandle(process);
  return result;
}

void DumpTree(HWND tree, const std::wstring& id) {
  int index = 0;
  for (HTREEITEM handle = TreeView_GetRoot(tree); handle; handle = TreeView_GetNextSibling(tree, handle)) {
    Item<TVITEMW> item = {};
    item.item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    item.item.hItem = handle;
    item.item.stateMask = TVIS_STATEIMAGEMASK;
    item.item.cchTextMax = 511;
    if (!SendItem(tree, TVM_GETITEMW, 0, item, &item.item.pszText)) return;
    const bool checked = ((item.item.state & TVIS_STATEIMAGEMASK) >> 12) == 2;
    Print({L"tree-item", id, to_wstring(index++), checked ? L"1" : L"0", to_wstring(item.item.lParam), item.text});
  }
}

BOOL CALLBACK DumpChild(HWND child, LPARAM) {
  const std::wstring class_name = ClassOf(child), id = to_wstring(GetDlgCtrlID(child));
  // The text (at most 32767 characters), empty when the control does not answer.
  std::vector<wchar_t> text(32768, L'\0');
  SendMessageTimeoutW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  Print({L"control", id, class_name, IsWindowVisible(child) ? L"1" : L"0", IsWindowEnabled(child) ? L"1" : L"0",
         text.data()});
  if (_wcsicmp(class_name.c_str(), WC_TREEVIEWW) == 0) DumpTree(child, id);
  if (_wcsicmp(class_name.c_str(), L"ListBox") != 0) return TRUE;
  const LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::vector<wchar_t> line(SendMessageW(child, LB_GETTEXTLEN, i, 0) + 2, L'\0');
    SendMessageW(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    Print({L"list-line", id, to_wstring(i), line.data()});
  }
  return TRUE;
}

// Control ID anywhere below the window PARENT (pages included).
HWND FindControl(HWND parent, int id) {
  for (HWND child = FindWindowExW(parent, nullptr, nullptr, nullptr); child;
       child = FindWindowExW(parent, child, nullptr, nullptr)) {
    if (GetDlgCtrlID(child) == id) return child;
    if (HWND found = FindControl(child, id)) return found;
  }
  return nullptr;
}

// A list box or a report list with one selected line: selecting one leaves the others.
int Select(HWND list, int index) {
  if (!list) return 1;
  if (_wcsicmp(ClassOf(list).c_str(), L"ListBox") == 0)
    return SendMessageW(list, LB_SETCURSEL, index, 0) == index ? 0 : 1;
  Item<LVITEMW> item = {};
  item.item.stateMask = item.item.state = LVIS_SELECTED | LVIS_FOCUSED;
  return SendItem(list, LVM_SETITEMSTATE, index, item, nullptr) ? 0 : 1;
}

int SaveHive(const wchar_t* key_path, const wchar_t* file) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
  // Saving a key takes the backup privilege.
  HANDLE token = nullptr;
  TOKEN_PRIVILEGES backup = {1, {{{}, SE_PRIVILEGE_ENABLED}}};
  if (LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid) &&
      OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    AdjustTokenPrivileges(token, FALSE, &backup, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  DeleteFileW(file);
  const LONG saved = RegSaveKeyW(key, file, nullptr);
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_CURRENT_USER, key_path);
  return saved == ERROR_SUCCESS ? 0 : 1;
}

int AddDevice(const wchar_t* instance_id, std::wstring class_text, int count, wchar_t** hardware_ids) {
  GUID class_guid = {};
  if (CLSIDFromString(&class_text[0], &class_guid) != NOERROR) return 2;
  // The identifiers, each ending in a null; the string's own null ends the list.
  std::wstring multi;
  for (int i = 0; i < count; ++i) multi += std::wstring(hardware_ids[i]) + L'\0';
  HDEVINFO set = SetupDiCreateDeviceInfoList(&class_guid, nullptr);
  if (set == INVALID_HANDLE_VALUE) return 1;
  SP_DEVINFO_DATA device = {sizeof(device), {}, 0, 0};
  const bool done = SetupDiCreateDeviceInfoW(set, instance_id, &class_guid, nullptr, nullptr, 0, &device)
                        ? SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                            reinterpret_cast<const BYTE*>(multi.c_str()),
                                                            static_cast<DWORD>((multi.size() + 1) * sizeof(wchar_t))) &&
                              SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)
                        : GetLastError() == ERROR_DEVINST_ALREADY_EXISTS;
  SetupDiDestroyDeviceInfoList(set);
  return done ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length > 7 && _wcsicmp(self + length - 7, L"\\7z.exe") == 0) Sleep(INFINITE);
  const std::wstring command = argc > 1 ? argv[1] : L"";
  // The top-level window TITLE, or its control ID.
  HWND target = argc > 2 ? FindWindowW(nullptr, argv[2]) : nullptr;
  if (target && argc > 3) target = FindControl(target, _wtoi(argv[3]));
  if (command == L"dump" && argc == 3) return target && EnumChildWindows(target, DumpChild, 0) ? 0 : 1;
  if (command == L"select" && argc == 5) return Select(target, _wtoi(argv[4]));
  if (command == L"set-text" && argc == 5)
    return SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
  if (command == L"click" && argc == 4) return target && PostMessageW(target, BM_CLICK, 0, 0) ? 0 : 1;
  if (command == L"close" && argc == 3) return target && PostMessageW(target, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == L"save-hive" && argc == 4) return SaveHive(argv[2], argv[3]);
  if (command == L"add-device" && argc >= 5) return AddDevice(argv[2], argv[3], argc - 4, argv + 4);
  return 2;
}
