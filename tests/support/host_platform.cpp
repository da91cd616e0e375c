#include "support/host_platform.h"

#ifdef _WIN32
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_system_info.h"
#else
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#endif

namespace orvane {

#ifdef _WIN32
std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<WindowsFileSystem>(); }
std::unique_ptr<SystemInfo> MakeHostSystemInfo() { return std::make_unique<WindowsSystemInfo>(); }
#else
std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<PosixFileSystem>(); }
std::unique_ptr<SystemInfo> MakeHostSystemInfo() { return std::make_unique<PosixSystemInfo>(); }
#endif

}  // namespace orvane
