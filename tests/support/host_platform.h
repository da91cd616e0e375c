// The real file system and system facts of the machine the tests run on:
// the Windows implementations in the Windows builds, the POSIX ones elsewhere.
#pragma once

#include <memory>

#include "platform/decompressor.h"
#include "platform/file_system.h"
#include "platform/system_info.h"

namespace orvane {

std::unique_ptr<FileSystem> MakeHostFileSystem();
std::unique_ptr<SystemInfo> MakeHostSystemInfo();
// Cabinet and LZ expansion: the system's setup library on Windows,
// libmspack elsewhere.
std::unique_ptr<Decompressor> MakeHostDecompressor();

}  // namespace orvane
