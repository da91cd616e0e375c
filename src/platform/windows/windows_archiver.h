// The archiver started through the shell and waited for.
#pragma once

#include "platform/archiver.h"

namespace orvane {

class WindowsArchiver : public Archiver {
 public:
  uint32_t RunAndWait(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory,
                      int show_mode, CancellationToken& token) override;
};

}  // namespace orvane
