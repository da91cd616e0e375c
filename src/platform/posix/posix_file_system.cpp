#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/text_helpers.h"

namespace orvane {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WriteWithFlags(const std::wstring& path, const std::string& bytes, int flags) {
  Fd fd(open(HostPath(path).c_str(), flags | O_CLOEXEC, 0666));
  return fd.valid() && WriteAll(fd.get(), bytes);
}

bool DeleteTreeHost(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) return unlink(path.c_str()) == 0;  // files and links alike
  // Entries of a folder without write permission cannot be removed: force it.
  if ((info.st_mode & S_IWUSR) == 0 || (info.st_mode & S_IXUSR) == 0) {
    chmod(path.c_str(), info.st_mode | S_IRWXU);
  }
  bool ok = true;
  if (DIR* dir = opendir(path.c_str())) {
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
      if (!DeleteTreeHost(path + "/" + name)) ok = false;
    }
  } else {
    ok = false;
  }
  return rmdir(path.c_str()) == 0 && ok;
}

}  // namespace

std::string HostPath(const std::wstring& path) {
  std::string host = WideToUtf8(path);
  for (char& ch : host) {
    if (ch == '\\') ch = '/';
  }
  return host;
}

bool PosixFileSystem::ReadFile(const std::wstring& path, std::string* bytes) {
  bytes->clear();
  Fd fd(open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return false;
  struct stat info;
  if (fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  if (info.st_size > 0) bytes->reserve(static_cast<size_t>(info.st_size));
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytes->clear();
      return false;
    }
    if (n == 0) break;
    bytes->append(buffer, static_cast<size_t>(n));
  }
  return true;
}

bool PosixFileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
  return WriteWithFlags(path, bytes, O_WRONLY | O_CREAT | O_TRUNC);
}

bool PosixFileSystem::AppendFile(const std::wstring& path, const std::string& bytes) {
  return WriteWithFlags(path, bytes, O_WRONLY | O_CREAT | O_APPEND);
}

bool PosixFileSystem::TouchFile(const std::wstring& path) {
  Fd fd(open(HostPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  return fd.valid();
}

bool PosixFileSystem::DeleteFile(const std::wstring& path) {
  struct stat info;
  std::string host = HostPath(path);
  if (lstat(host.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return unlink(host.c_str()) == 0;
}

bool PosixFileSystem::CopyFile(const std::wstring& from, const std::wstring& to) {
  std::string bytes;
  if (!ReadFile(from, &bytes)) return false;
  return WriteFile(to, bytes);
}

bool PosixFileSystem::FileExists(const std::wstring& path) {
  struct stat info;
  return stat(HostPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool PosixFileSystem::DirectoryExists(const std::wstring& path) {
  struct stat info;
  return stat(HostPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixFileSystem::CreateDirectories(const std::wstring& path) {
  std::string host = HostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (host.empty()) return false;
  for (size_t pos = host.find('/', 1); ; pos = host.find('/', pos + 1)) {
    std::string part = host.substr(0, pos);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  return DirectoryExists(path);
}

bool PosixFileSystem::ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) {
  entries->clear();
  std::string host = HostPath(path);
  DIR* dir = opendir(host.c_str());
  if (!dir) return false;
  while (struct dirent* item = readdir(dir)) {
    std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    std::string full = host + "/" + name;
    DirEntry entry;
    entry.name = Utf8ToWide(name);
    struct stat info;
    if (lstat(full.c_str(), &info) == 0) {
      entry.is_link = S_ISLNK(info.st_mode);
      if (entry.is_link) {
        // Like a directory link on Windows, a link to a folder says so; it
        // is still marked as a link and never entered by DeleteTree.
        struct stat target;
        entry.is_directory = stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
      } else {
        entry.is_directory = S_ISDIR(info.st_mode);
        if (S_ISREG(info.st_mode)) entry.size = static_cast<uint64_t>(info.st_size);
      }
    }
    entries->push_back(entry);
  }
  closedir(dir);
  return true;
}

bool PosixFileSystem::DeleteTree(const std::wstring& path) {
  std::string host = HostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return DeleteTreeHost(host);
}

int64_t PosixFileSystem::FileSize(const std::wstring& path) {
  struct stat info;
  if (stat(HostPath(path).c_str(), &info) != 0) return kFileSizeMissing;
  if (S_ISDIR(info.st_mode)) return kFileSizeFolder;
  return static_cast<int64_t>(info.st_size);
}

bool PosixFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
  struct stat info;
  if (stat(HostPath(path).c_str(), &info) != 0) return false;
  *attributes = 0;
  if ((info.st_mode & S_IWUSR) == 0) *attributes |= kAttributeReadOnly;
  if (S_ISDIR(info.st_mode)) *attributes |= kAttributeDirectory;
  return true;
}

bool PosixFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  const std::string host = HostPath(path);
  struct stat info;
  if (stat(host.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  if (attributes & kAttributeReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return chmod(host.c_str(), mode) == 0;
}

}  // namespace orvane
