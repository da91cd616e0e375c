// Decompressing copies through the system's setup library, loaded from the
// system folder for each call.
#pragma once

#include "platform/decompressor.h"

namespace orvane {

class WindowsDecompressor : public Decompressor {
 public:
  bool DecompressOrCopy(const std::wstring& from, const std::wstring& to) override;
};

}  // namespace orvane
