// Decompressing copies on the host: cabinets and LZ (SZDD) files through
// libmspack, anything else copied byte for byte.
#pragma once

#include "platform/decompressor.h"

namespace orvane {

class MspackDecompressor : public Decompressor {
 public:
  bool DecompressOrCopy(const std::wstring& from, const std::wstring& to) override;
};

}  // namespace orvane
