// Folders that a run makes for itself on the user's disks (the export folder
// of an import, the unpack folder of packages) and removes when it is done.
// A run never takes over a folder that was there before it: whatever the
// user keeps under the usual name stays untouched.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace orvane {

// Creates the folder base (for example "C:\DRVTemp") when nothing of that
// name exists, otherwise base + "." + n for the first n = 1, 2, ... that is
// free. Returns the folder it created; "" when none could be created.
std::wstring CreateRunFolder(FileSystem& files, const std::wstring& base);

}  // namespace orvane
