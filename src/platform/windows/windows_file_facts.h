// Executable facts through the Windows API: GetBinaryTypeW, the version
// library (loaded from the system folder for each query) and the Wow64
// redirection switch (looked up in kernel32 at run time; absent on 32-bit
// systems).
#pragma once

#include "platform/file_facts.h"

namespace orvane {

class WindowsFileFacts : public FileFacts {
 public:
  bool BinaryType(const std::wstring& path, uint32_t* type) override;
  bool FixedFileVersion(const std::wstring& path, FileVersion* version) override;
  RedirectionState DisableRedirection() override;
  void RevertRedirection(const RedirectionState& state) override;
};

}  // namespace orvane
