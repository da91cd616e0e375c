// Staging a driver's files: the list of (source, destination) pairs that an
// INF's install sections put into a Windows, the same plan read the other way
// to export an installed driver out of a Windows, and carrying a list out.
#pragma once

#include <string>
#include <vector>

#include "platform/component_registration.h"
#include "platform/decompressor.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "registry/system_profile.h"

namespace orvane {

// Full file paths. Entries are appended in the order they are found and never
// removed; one list serves every INF of an install.
struct StagingEntry {
  std::wstring source;
  std::wstring destination;
};
using StagingList = std::vector<StagingEntry>;

// Appends the entries for installing infFolder\infName with the install
// sections of sectionList (comma-ended: "S,S2,") into the Windows of target:
// the INF itself into its "inf" folder under its own name, the files of its
// CopyFiles sections ("@" single files into DefaultDestDir), its CopyINF files
// and its service binaries, walking each section, its .CoInstallers and
// .services, and ClassInstall32 with its decoration. A file already listed
// (whole names, letter case ignored) is not listed again. The INF is read
// once.
void StageDriverFiles(FileSystem& files, const SystemProfile& target, const std::wstring& infFolder,
                      const std::wstring& infName, const std::wstring& sectionList,
                      StagingList* list);

// Appends the entries for copying the installed INF (the Windows directory of
// source + "\inf\" + infName) and every file its sections installed out of
// that Windows into exportFolder, laid out as the INF's source disks expect,
// plus its catalog under the name [Version] gives it. driverStoreDir stands
// for %13%. Entries whose export path does not lie inside exportFolder (after
// "." and ".." are resolved) are left out.
void StageExportFiles(FileSystem& files, const SystemProfile& source, const std::wstring& infName,
                      const std::wstring& sectionList, const std::wstring& driverStoreDir,
                      const std::wstring& exportFolder, StagingList* list);

// Carries out every entry: the compressed form of a source (name with its last
// character replaced by "_") wins over the plain one; cabinets and LZ files
// (by their first four bytes) are expanded, other files copied; missing
// folders are created; the read-only attribute of the copy and the system
// attribute of a copied catalog are cleared. Failures are skipped silently.
void CopyStagedFiles(FileSystem& files, Decompressor& decompressor, const StagingList& list);

// For the class "net" (any case): registers the network configuration
// component when its class is not registered on the running system.
void EnsureNetworkClass(Registry& registry, ComponentRegistration& components,
                        const std::wstring& className);

// Creates every missing folder along path ("\" and "/" both separate).
void CreatePath(FileSystem& files, const std::wstring& path);

}  // namespace orvane
