// A FileSystem that passes every call to another one and counts the opens:
// how often each path was read, and how often the others were asked for.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {
namespace bench {

class CountingFileSystem : public FileSystem {
 public:
  explicit CountingFileSystem(FileSystem& inner) : inner_(inner) {}

  // Reads per path since the last Reset.
  std::map<std::wstring, size_t> Reads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
  }
  size_t TotalReads() const { return total_reads_; }
  // Calls that test or list a path without reading a file.
  size_t Probes() const { return probes_; }
  uint64_t BytesRead() const { return bytes_read_; }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    reads_.clear();
    total_reads_ = 0;
    probes_ = 0;
    bytes_read_ = 0;
  }

  bool ReadFile(const std::wstring& path, std::string* bytes) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++reads_[path];
    }
    ++total_reads_;
    const bool ok = inner_.ReadFile(path, bytes);
    if (ok) bytes_read_ += bytes->size();
    return ok;
  }
  bool WriteFile(const std::wstring& path, const std::string& bytes) override {
    return inner_.WriteFile(path, bytes);
  }
  bool AppendFile(const std::wstring& path, const std::string& bytes) override {
    return inner_.AppendFile(path, bytes);
  }
  bool TouchFile(const std::wstring& path) override { return inner_.TouchFile(path); }
  bool DeleteFile(const std::wstring& path) override { return inner_.DeleteFile(path); }
  bool CopyFile(const std::wstring& from, const std::wstring& to) override {
    return inner_.CopyFile(from, to);
  }
  bool FileExists(const std::wstring& path) override {
    ++probes_;
    return inner_.FileExists(path);
  }
  bool DirectoryExists(const std::wstring& path) override {
    ++probes_;
    return inner_.DirectoryExists(path);
  }
  bool CreateDirectories(const std::wstring& path) override {
    return inner_.CreateDirectories(path);
  }
  bool ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) override {
    ++probes_;
    return inner_.ListDirectory(path, entries);
  }
  bool DeleteTree(const std::wstring& path) override { return inner_.DeleteTree(path); }
  int64_t FileSize(const std::wstring& path) override {
    ++probes_;
    return inner_.FileSize(path);
  }
  bool GetAttributes(const std::wstring& path, uint32_t* attributes) override {
    ++probes_;
    return inner_.GetAttributes(path, attributes);
  }
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
    return inner_.SetAttributes(path, attributes);
  }
  wchar_t Separator() const override { return inner_.Separator(); }

 private:
  FileSystem& inner_;
  mutable std::mutex mutex_;
  std::map<std::wstring, size_t> reads_;
  std::atomic<size_t> total_reads_{0};
  std::atomic<size_t> probes_{0};
  std::atomic<uint64_t> bytes_read_{0};
};

}  // namespace bench
}  // namespace orvane
