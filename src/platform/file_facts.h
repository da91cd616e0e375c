// Facts about executable files that only the platform can tell: the kind of
// executable, its version resource, and the switch that lets a 32-bit
// program on a 64-bit system see the real system folder.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// Binary types, numbered as the platform numbers them.
constexpr uint32_t kBinary32Bit = 0;  // 32-bit Windows executable
constexpr uint32_t kBinaryDos = 1;
constexpr uint32_t kBinary16Bit = 2;
constexpr uint32_t kBinaryPif = 3;
constexpr uint32_t kBinaryPosix = 4;
constexpr uint32_t kBinaryOs2 = 5;
constexpr uint32_t kBinary64Bit = 6;  // 64-bit Windows executable

// The fixed file version of a version resource, each part an unsigned
// 16-bit number.
struct FileVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
  uint16_t revision = 0;
};

// What DisableRedirection hands back for RevertRedirection.
struct RedirectionState {
  bool disabled = false;     // the switch was there and turned redirection off
  void* previous = nullptr;  // the value the platform returned for the revert
};

class FileFacts {
 public:
  virtual ~FileFacts() = default;
  // Binary type of an executable file; false when the file is not an
  // executable or cannot be read.
  virtual bool BinaryType(const std::wstring& path, uint32_t* type) = 0;
  // Fixed file version of the file's version resource; false when the
  // version library or its functions are not available, the file has no
  // version resource, or its root block cannot be read.
  virtual bool FixedFileVersion(const std::wstring& path, FileVersion* version) = 0;
  // Turns file-system redirection off for the calling thread, where the
  // platform has it; and back on with the state that was handed out.
  virtual RedirectionState DisableRedirection() = 0;
  virtual void RevertRedirection(const RedirectionState& state) = 0;
};

}  // namespace orvane
