// Copying a driver file that may be compressed: a cabinet ("MSCF") gives its
// first file, an LZ-compressed file ("SZDD") its expanded content, any other
// file is copied as it is.
#pragma once

#include <string>

namespace orvane {

class Decompressor {
 public:
  virtual ~Decompressor() = default;
  // Writes the file at to (replacing it); false when that failed.
  virtual bool DecompressOrCopy(const std::wstring& from, const std::wstring& to) = 0;
};

}  // namespace orvane
