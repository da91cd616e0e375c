#include <windows.h>

#include <algorithm>

#include "platform/windows/windows_file_system.h"
#include "text/text_helpers.h"

namespace orvane {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool WriteWithDisposition(const std::wstring& path, const std::string& bytes, DWORD access,
                          DWORD disposition) {
  Handle file(CreateFileW(ExtendedPath(path).c_str(), access, FILE_SHARE_READ, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  return WriteAll(file.get(), bytes);
}

// Clears the read-only attribute so that the entry can be removed.
void MakeWritable(const std::wstring& extended, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(extended.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

// Removes one entry that is not descended into: a file, or a link of any kind
// (a directory link is removed as a directory, never through its target).
bool RemoveEntry(const std::wstring& extended, DWORD attributes) {
  MakeWritable(extended, attributes);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(extended.c_str()) != 0;
  return DeleteFileW(extended.c_str()) != 0;
}

bool DeleteTreeExtended(const std::wstring& extended, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return RemoveEntry(extended, attributes);
  }
  bool ok = true;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((extended + L"\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (!DeleteTreeExtended(extended + L"\\" + name, data.dwFileAttributes)) ok = false;
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  MakeWritable(extended, attributes);
  return RemoveDirectoryW(extended.c_str()) != 0 && ok;
}

}  // namespace

std::wstring ExtendedPath(const std::wstring& path) {
  if (path.empty()) return path;
  if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) return path;
  std::wstring slashed = path;
  for (wchar_t& ch : slashed) {
    if (ch == L'/') ch = L'\\';
  }
  DWORD size = GetFullPathNameW(slashed.c_str(), 0, nullptr, nullptr);
  if (size == 0) return slashed;
  std::wstring full(size, L'\0');
  DWORD got = GetFullPathNameW(slashed.c_str(), size, &full[0], nullptr);
  if (got == 0 || got >= size) return slashed;
  full.resize(got);
  if (full.size() >= 2 && full[1] == L':') return L"\\\\?\\" + full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return full;
}

bool WindowsFileSystem::ReadFile(const std::wstring& path, std::string* bytes) {
  bytes->clear();
  Handle file(CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    bytes->reserve(static_cast<size_t>(size.QuadPart));
  }
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      bytes->clear();
      return false;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
  }
  return true;
}

bool WindowsFileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
  return WriteWithDisposition(path, bytes, GENERIC_WRITE, CREATE_ALWAYS);
}

bool WindowsFileSystem::AppendFile(const std::wstring& path, const std::string& bytes) {
  return WriteWithDisposition(path, bytes, FILE_APPEND_DATA, OPEN_ALWAYS);
}

bool WindowsFileSystem::TouchFile(const std::wstring& path) {
  Handle file(CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

bool WindowsFileSystem::DeleteFile(const std::wstring& path) {
  return DeleteFileW(ExtendedPath(path).c_str()) != 0;
}

bool WindowsFileSystem::CopyFile(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(), FALSE) != 0;
}

bool WindowsFileSystem::FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WindowsFileSystem::DirectoryExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WindowsFileSystem::CreateDirectories(const std::wstring& path) {
  std::wstring full = ExtendedPath(path);
  while (!full.empty() && full.back() == L'\\') full.pop_back();
  if (full.empty()) return false;
  DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // Create each missing folder below the root ("\\?\X:" or "\\?\UNC\server\share").
  size_t start = 4;
  if (full.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    start = full.find(L'\\', 8);
    start = start == std::wstring::npos ? full.size() : full.find(L'\\', start + 1);
  } else {
    start = full.find(L'\\', 4);
  }
  while (start != std::wstring::npos && start < full.size()) {
    size_t next = full.find(L'\\', start + 1);
    std::wstring part = full.substr(0, next);
    if (!CreateDirectoryW(part.c_str(), nullptr)) {
      DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) return false;
    }
    start = next;
  }
  attributes = GetFileAttributesW(full.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WindowsFileSystem::ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) {
  entries->clear();
  std::wstring folder = ExtendedPath(path);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    // An empty folder on some file systems reports "no files" instead of "." and "..".
    return GetLastError() == ERROR_FILE_NOT_FOUND && DirectoryExists(path);
  }
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    DirEntry entry;
    entry.name = name;
    entry.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entries->push_back(entry);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

bool WindowsFileSystem::DeleteTree(const std::wstring& path) {
  std::wstring extended = ExtendedPath(path);
  while (extended.size() > 7 && extended.back() == L'\\') extended.pop_back();
  DWORD attributes = GetFileAttributesW(extended.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return DeleteTreeExtended(extended, attributes);
}

int64_t WindowsFileSystem::FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard, &data)) {
    return kFileSizeMissing;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kFileSizeFolder;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool WindowsFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
  DWORD found = GetFileAttributesW(ExtendedPath(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = found;
  return true;
}

bool WindowsFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  DWORD bits = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  if (bits == 0) bits = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(ExtendedPath(path).c_str(), bits) != 0;
}

}  // namespace orvane
