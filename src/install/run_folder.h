// Folders that a run makes for itself on the user's disks (the export folder
// of an import, the unpack folder of packages) and removes when it is done.
// A run never takes over a folder that was there before it: whatever the
// user keeps under the usual name stays untouched.
#pragma once

#include <string>

#include "app/cancellation.h"
#include "platform/file_system.h"

namespace orvane {

// Creates the folder base (for example "C:\DRVTemp") when nothing of that
// name exists, otherwise base + "." + n for the first n = 1, 2, ... that is
// free. Returns the folder it created; "" when none could be created.
std::wstring CreateRunFolder(FileSystem& files, const std::wstring& base);

// A run folder for the length of a scope: created on a free name, known to
// the run's token as long as it exists (a forced end of the run removes it
// from outside), and deleted with everything in it when the scope ends. A
// run that is being ended leaves the deletion to whoever ends it.
class ScopedRunFolder {
 public:
  ScopedRunFolder(FileSystem& files, CancellationToken& token, const std::wstring& base);
  ~ScopedRunFolder();
  ScopedRunFolder(const ScopedRunFolder&) = delete;
  ScopedRunFolder& operator=(const ScopedRunFolder&) = delete;

  // The folder; "" when none could be created.
  const std::wstring& path() const { return path_; }

 private:
  FileSystem& files_;
  CancellationToken& token_;
  std::wstring path_;
};

}  // namespace orvane
