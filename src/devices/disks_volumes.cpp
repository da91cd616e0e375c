#include "devices/disks_volumes.h"

#include <vector>

#include "registry/registry_access.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kVolumeKeys[] = L"SYSTEM\\CurrentControlSet\\Enum\\STORAGE\\Volume";
const wchar_t kVolumeClassGuid[] = L"{71A27CDD-812A-11D0-BEC7-08002BE2092F}";
const wchar_t kTemporaryDevice[] = L"vol";
const wchar_t kFreeLetters[] = L"cdefghijklmnopqrstuvwxyz";
constexpr uint32_t kSettlePause = 1500;

// The drive names of the running system in lower case ("c:"), in the
// platform's order.
std::vector<std::wstring> DriveNames(Drives& drives) {
  std::vector<std::wstring> names;
  for (const std::wstring& root : drives.LogicalDriveRoots()) {
    if (root.size() >= 2) names.push_back(LowerText(root.substr(0, 2)));
  }
  return names;
}

// The items of a list whose every item is followed by the separator.
std::vector<std::wstring> Items(const std::wstring& list, wchar_t separator) {
  std::vector<std::wstring> items;
  size_t start = 0;
  for (size_t at = list.find(separator); at != std::wstring::npos; at = list.find(separator, start)) {
    items.push_back(list.substr(start, at - start));
    start = at + 1;
  }
  return items;
}

std::wstring UpperLetter(wchar_t letter) {
  return std::wstring(1, letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter);
}

}  // namespace

std::wstring ListDisks(Disks& disks, const std::wstring& before) {
  std::vector<std::wstring> ids;
  if (!disks.ListDiskDrives(&ids)) return L"";
  const std::wstring known = L"\n" + LowerText(before);
  std::wstring result;
  for (const std::wstring& id : ids) {
    if (before.empty() || !Contains(known, L"\n" + LowerText(id) + L"\n")) result += id + L"\n";
  }
  return result;
}

void RepairVolumeKeys(Registry& registry) {
  for (int32_t index = 1;; ++index) {
    RegStatus status = 0;
    const std::wstring name = EnumRegSubKey(registry, &status, L"hklm", kVolumeKeys, index);
    if (status != 0) break;
    const std::wstring key = std::wstring(kVolumeKeys) + L"\\" + name;
    RegStatus value_status = 0;
    ReadRegValue(registry, &value_status, L"hklm", key, L"Class");
    if (value_status != 0) WriteRegValue(registry, L"hklm", key, L"Class", kRegSz, L"Volume");
    ReadRegValue(registry, &value_status, L"hklm", key, L"ClassGUID");
    if (value_status != 0) WriteRegValue(registry, L"hklm", key, L"ClassGUID", kRegSz, kVolumeClassGuid);
  }
}

std::wstring ListVolumeDevices(Registry& registry, Disks& disks) {
  RepairVolumeKeys(registry);
  std::vector<std::wstring> names;
  if (!disks.ListVolumeDevices(&names)) return L"";
  std::wstring result;
  for (const std::wstring& name : names) result += name + L"|";
  return result;
}

int32_t DiskNumberOfPath(Disks& disks, const std::wstring& path) { return disks.StorageDeviceNumber(path); }

int32_t DiskNumberOfVolume(Disks& disks, const std::wstring& volume) {
  disks.DefineDosDevice(kDefineRawTargetPath, kTemporaryDevice, volume);
  const int32_t number = DiskNumberOfPath(disks, std::wstring(L"\\\\.\\") + kTemporaryDevice);
  disks.DefineDosDevice(kDefineRawTargetPath | kRemoveDefinition, kTemporaryDevice, volume);
  return number;
}

int32_t DiskNumberOfDisk(Disks& disks, const std::wstring& instance_id) {
  std::vector<DiskInterface> interfaces;
  if (!disks.ListDiskInterfaces(&interfaces)) return -1;
  for (const DiskInterface& disk : interfaces) {
    if (EqualsNoCase(disk.instance_id, instance_id)) return DiskNumberOfPath(disks, disk.device_path);
  }
  return -1;
}

std::wstring AssignNewVolumeLetters(Registry& registry, Drives& drives, Disks& disks, Clock& clock,
                                    const std::wstring& before) {
  clock.Pause(kSettlePause);
  const std::vector<std::wstring> new_disks = Items(ListDisks(disks, before), L'\n');
  std::wstring volumes = LowerText(ListVolumeDevices(registry, disks));
  std::wstring free = kFreeLetters;

  // Stale letters go; the volumes that have a letter leave the list, and
  // every letter in use leaves the free ones.
  for (const std::wstring& drive : DriveNames(drives)) {
    if (drives.DriveType(drive + L"\\") == kDriveNoRootDir) {
      disks.DefineDosDevice(kDefineRawTargetPath | kRemoveDefinition, drive, L"");
      continue;
    }
    const std::wstring target = LowerText(disks.QueryDosDevice(drive));
    if (!target.empty() && Contains(L"|" + volumes, L"|" + target + L"|")) {
      const size_t at = (L"|" + volumes).find(L"|" + target + L"|");
      volumes.erase(at, target.size() + 1);
    }
    const size_t letter = free.find(drive[0]);
    if (letter != std::wstring::npos) free.erase(letter, 1);
  }

  if (!volumes.empty()) {
    size_t next = 0;
    const std::vector<std::wstring> letterless = Items(volumes, L'|');
    for (const std::wstring& disk : new_disks) {
      const int32_t number = DiskNumberOfDisk(disks, disk);
      if (number < 0) continue;
      for (const std::wstring& volume : letterless) {
        if (DiskNumberOfVolume(disks, volume) != number) continue;
        if (next >= free.size()) break;  // no free letter left for this disk
        const std::wstring letter = UpperLetter(free[next]) + L":";
        disks.DefineDosDevice(kDefineRawTargetPath, letter, volume);
        // A volume that cannot be read leaves its letter on offer.
        if (drives.VolumeInformation(letter + L"\\", nullptr)) ++next;
      }
    }
  }

  std::wstring letters;
  int64_t count = 0;
  const std::vector<std::wstring> names = DriveNames(drives);
  for (const std::wstring& disk : new_disks) {
    const int32_t number = DiskNumberOfDisk(disks, disk);
    if (number < 0) continue;
    for (const std::wstring& drive : names) {
      if (DiskNumberOfPath(disks, L"\\\\.\\" + drive) != number) continue;
      ++count;
      letters += UpperLetter(drive[0]) + drive.substr(1) + L" ";
    }
  }
  if (!letters.empty()) letters = L"( " + letters + L")";
  return DecimalText(count) + ReplaceAll(UiText(TxtNewPartitions), L"%1", letters);
}

}  // namespace orvane
