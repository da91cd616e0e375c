// Driver folders and packages as sources: a single INF file, a .zip or .7z
// package, or a folder searched with all its subfolders. Packages are
// unpacked with the archiver beside the program, each into a folder of its
// own that is made on a free name and removed afterwards. Every INF is read
// once and matched against the running system's devices.
//
// Two users: the interactive scan of the manual page, which lists every
// match as a candidate (all present devices), and the unattended search,
// which installs every match at once (devices that report a problem) and
// reads the device list again after each install.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "app/driver_rows.h"
#include "app/window_view.h"
#include "inf/driver_match.h"
#include "install/install_services.h"
#include "registry/system_profile.h"

namespace orvane {

// --- interactive --------------------------------------------------------------

// The worker of the manual page for a chosen path: refuses to start without
// the archiver (missing or under 10 bytes), then walks the path, fills
// `rows` and the driver list with class icons, shows the first candidate's
// details and the result in the status lines. A stop request ends the walk;
// the candidates found until then are listed.
void ScanDriverPath(InstallServices& services, WindowView& view, const std::wstring& path, CandidateTable& rows,
                    std::atomic<uint8_t>& stop);

// One file of the interactive scan: an INF gives a candidate per match that
// is not of the display class; a package is unpacked (its INF files only)
// and its INF files are checked the same way. Other files are ignored.
void CheckDriverFile(InstallServices& services, WindowView& view, const SystemProfile& host,
                     const std::wstring& path, const DeviceIdList& devices, CandidateTable& rows,
                     std::atomic<uint8_t>& stop);

// --- unattended ---------------------------------------------------------------

// The unattended search across the files of a run: the devices that still
// report a problem, and what became of the installs.
class DriverSearch {
 public:
  // class_filter: "" or ",class1,class2," lower-cased.
  DriverSearch(InstallServices& services, WindowView& view, const SystemProfile& host,
               const std::wstring& class_filter, std::atomic<uint8_t>& stop);

  // Reads the devices that report a problem afresh.
  void ReadDevices();
  // Nothing left to serve.
  bool NoDeviceLeft() const { return device_list_.empty(); }
  // The device-identifier text of the devices that report a problem.
  const std::wstring& DeviceList() const { return device_list_; }
  // The walk ends here: a stop request, a forced end or no device left.
  bool ShouldStop() const;

  int installed() const { return installed_; }
  int failed() const { return failed_; }

  // One file: an INF's matches are installed one after the other (skipping
  // those the class filter does not name, the display class, and devices
  // that got a driver in the meantime); a package is unpacked (INF files
  // only) into a folder of its own and its INF files are searched the same
  // way, its drivers unpacked as they are installed. Returns the device list
  // after the last install.
  std::wstring SearchDriverFile(const std::wstring& path);

 private:
  void SearchInf(const std::wstring& inf_path, const std::wstring& package, const std::wstring& unpack_folder,
                 const std::wstring& subfolder);
  void SearchPackage(const std::wstring& package);

  InstallServices& services_;
  WindowView& view_;
  SystemProfile host_;
  std::wstring class_filter_;
  std::atomic<uint8_t>& stop_;
  std::wstring device_list_;
  DeviceIdList devices_;
  std::unordered_set<std::wstring> waiting_;  // lower-cased instance identifiers
  int installed_ = 0;
  int failed_ = 0;
};

// Is a match of that setup class taken under the class filter ("" takes
// every class; display drivers are never taken)?
bool ClassPassesFilter(const std::wstring& setup_class, const std::wstring& class_filter);

}  // namespace orvane
