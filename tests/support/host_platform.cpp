#include "support/host_platform.h"

#ifdef _WIN32
#include "platform/windows/windows_decompressor.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_system_info.h"
#else
#include "platform/posix/mspack_decompressor.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#endif

namespace orvane {

#ifdef _WIN32
std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<WindowsFileSystem>(); }
std::unique_ptr<SystemInfo> MakeHostSystemInfo() { return std::make_unique<WindowsSystemInfo>(); }
std::unique_ptr<Decompressor> MakeHostDecompressor() { return std::make_unique<WindowsDecompressor>(); }
#else
std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<PosixFileSystem>(); }
std::unique_ptr<SystemInfo> MakeHostSystemInfo() { return std::make_unique<PosixSystemInfo>(); }
std::unique_ptr<Decompressor> MakeHostDecompressor() { return std::make_unique<MspackDecompressor>(); }
#endif

}  // namespace orvane
