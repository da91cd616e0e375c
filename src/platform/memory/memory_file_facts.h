// Executable facts held in memory: the test says which file is which kind
// of executable with which version. Paths compare without regard to case.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/file_facts.h"

namespace orvane {

class MemoryFileFacts : public FileFacts {
 public:
  bool BinaryType(const std::wstring& path, uint32_t* type) override;
  bool FixedFileVersion(const std::wstring& path, FileVersion* version) override;
  // Counts the calls; a state handed out by DisableRedirection is disabled.
  RedirectionState DisableRedirection() override;
  void RevertRedirection(const RedirectionState& state) override;

  void SetBinaryType(const std::wstring& path, uint32_t type);
  void SetFileVersion(const std::wstring& path, FileVersion version);
  // Redirection switched off and not yet back on (0 when every switch was reverted).
  int RedirectionDepth() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::wstring, uint32_t> types_;
  std::map<std::wstring, FileVersion> versions_;
  int depth_ = 0;
};

}  // namespace orvane
