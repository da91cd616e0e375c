// Helpers shared by the INF engine tests: files held in memory, the test data
// folder, and receiving-system profiles.
#pragma once

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "registry/system_profile.h"
#include "text/text_helpers.h"

namespace orvane {
namespace inf_test {

// Files as byte strings; counts how often each was read.
class MemoryFiles : public FileSystem {
 public:
  void Put(const std::wstring& path, const std::string& bytes) { files_[path] = bytes; }
  // The text written as UTF-16 little-endian with its mark.
  void PutUtf16(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t ch : text) {
      bytes.push_back(static_cast<char>(ch & 0xFF));
      bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
    }
    Put(path, bytes);
  }
  int reads(const std::wstring& path) const {
    auto it = reads_.find(path);
    return it == reads_.end() ? 0 : it->second;
  }

  bool ReadFile(const std::wstring& path, std::string* bytes) override {
    ++reads_[path];
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    *bytes = it->second;
    return true;
  }
  bool WriteFile(const std::wstring& path, const std::string& bytes) override {
    files_[path] = bytes;
    return true;
  }
  bool AppendFile(const std::wstring& path, const std::string& bytes) override {
    files_[path] += bytes;
    return true;
  }
  bool TouchFile(const std::wstring& path) override {
    files_[path];
    return true;
  }
  bool DeleteFile(const std::wstring& path) override { return files_.erase(path) > 0; }
  bool CopyFile(const std::wstring& from, const std::wstring& to) override {
    auto it = files_.find(from);
    if (it == files_.end()) return false;
    files_[to] = it->second;
    return true;
  }
  bool FileExists(const std::wstring& path) override { return files_.count(path) > 0; }
  bool DirectoryExists(const std::wstring&) override { return false; }
  bool CreateDirectories(const std::wstring&) override { return false; }
  bool ListDirectory(const std::wstring&, std::vector<DirEntry>*) override { return false; }
  bool DeleteTree(const std::wstring&) override { return false; }
  wchar_t Separator() const override { return L'\\'; }

 private:
  std::map<std::wstring, std::string> files_;
  std::map<std::wstring, int> reads_;
};

// Bytes of a file under the test data folder ("" when missing).
inline std::string ReadDataFile(const std::string& relative_path) {
  std::ifstream in(std::string(ORVANE_TEST_DATA_DIR) + "/" + relative_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline SystemProfile Profile(const std::wstring& architecture, const std::wstring& version,
                             const std::wstring& build = L"19045",
                             const std::wstring& language = L"0409",
                             const std::wstring& product_type = L"1") {
  SystemProfile p;
  p.system_drive = L"X:";
  p.windows_dir = L"X:\\Windows";
  p.architecture = architecture;
  p.version = version;
  p.build = build;
  p.program_files = L"X:\\Program Files";
  p.language = language;
  p.product_type = product_type;
  return p;
}

}  // namespace inf_test
}  // namespace orvane
