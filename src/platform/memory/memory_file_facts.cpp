#include "platform/memory/memory_file_facts.h"

#include "text/text_helpers.h"

namespace orvane {

namespace {

// "\" and "/" alike, letter case ignored.
std::wstring PathKey(const std::wstring& path) {
  std::wstring key = LowerText(path);
  for (wchar_t& ch : key) {
    if (ch == L'/') ch = L'\\';
  }
  return key;
}

}  // namespace

bool MemoryFileFacts::BinaryType(const std::wstring& path, uint32_t* type) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = types_.find(PathKey(path));
  if (it == types_.end()) return false;
  *type = it->second;
  return true;
}

bool MemoryFileFacts::FixedFileVersion(const std::wstring& path, FileVersion* version) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = versions_.find(PathKey(path));
  if (it == versions_.end()) return false;
  *version = it->second;
  return true;
}

RedirectionState MemoryFileFacts::DisableRedirection() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++depth_;
  RedirectionState state;
  state.disabled = true;
  return state;
}

void MemoryFileFacts::RevertRedirection(const RedirectionState& state) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state.disabled) --depth_;
}

void MemoryFileFacts::SetBinaryType(const std::wstring& path, uint32_t type) {
  std::lock_guard<std::mutex> lock(mutex_);
  types_[PathKey(path)] = type;
}

void MemoryFileFacts::SetFileVersion(const std::wstring& path, FileVersion version) {
  std::lock_guard<std::mutex> lock(mutex_);
  versions_[PathKey(path)] = version;
}

int MemoryFileFacts::RedirectionDepth() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return depth_;
}

}  // namespace orvane
