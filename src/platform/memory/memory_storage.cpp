#include "platform/memory/memory_storage.h"


#include "text/text_helpers.h"

namespace orvane {

namespace {

const wchar_t kInterfacePrefix[] = L"\\\\?\\storage#disk#";
const wchar_t kDevicePrefix[] = L"\\\\.\\";

}  // namespace

std::wstring MemoryStorage::LetterOf(const std::wstring& text) {
  if (text.empty() || text.size() > 3) return L"";
  wchar_t letter = LowerChar(text[0]);
  if (letter < L'a' || letter > L'z') return L"";
  if (text.size() >= 2 && text[1] != L':') return L"";
  if (text.size() == 3 && text[2] != L'\\') return L"";
  return std::wstring(1, letter);
}

const MemoryStorage::Volume* MemoryStorage::FindVolume(const std::wstring& device_name) const {
  for (const Volume& volume : volumes_) {
    if (EqualsNoCase(volume.device_name, device_name)) return &volume;
  }
  return nullptr;
}

int32_t MemoryStorage::DiskOfTarget(const std::wstring& target) const {
  const Volume* volume = FindVolume(target);
  return volume ? volume->disk_number : -1;
}

std::vector<std::wstring> MemoryStorage::LogicalDriveRoots() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::wstring> roots;
  for (const auto& drive : drives_) {
    std::wstring root = drive.first + L":\\";
    root[0] = static_cast<wchar_t>(root[0] - L'a' + L'A');
    roots.push_back(root);
  }
  return roots;
}

uint32_t MemoryStorage::DriveType(const std::wstring& root) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = drives_.find(LetterOf(root));
  if (it == drives_.end()) return kDriveNoRootDir;
  const Drive& drive = it->second;
  if (!drive.target.empty()) return FindVolume(drive.target) ? kDriveFixed : kDriveNoRootDir;
  return drive.type;
}

bool MemoryStorage::VolumeInformation(const std::wstring& root, std::wstring* label) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = drives_.find(LetterOf(root));
  if (it == drives_.end()) return false;
  const Drive& drive = it->second;
  if (!drive.target.empty()) {
    const Volume* volume = FindVolume(drive.target);
    if (!volume || !volume->has_file_system) return false;
    if (label) *label = volume->label;
    return true;
  }
  if (!drive.readable) return false;
  if (label) *label = drive.label;
  return true;
}

bool MemoryStorage::ListDiskDrives(std::vector<std::wstring>* instance_ids) {
  std::lock_guard<std::mutex> lock(mutex_);
  instance_ids->clear();
  if (!library_available_) return false;
  for (const Disk& disk : disks_) instance_ids->push_back(disk.instance_id);
  return true;
}

bool MemoryStorage::ListVolumeDevices(std::vector<std::wstring>* device_names) {
  std::lock_guard<std::mutex> lock(mutex_);
  device_names->clear();
  if (!library_available_) return false;
  for (const Volume& volume : volumes_) device_names->push_back(volume.device_name);
  return true;
}

bool MemoryStorage::ListDiskInterfaces(std::vector<DiskInterface>* interfaces) {
  std::lock_guard<std::mutex> lock(mutex_);
  interfaces->clear();
  if (!library_available_) return false;
  for (size_t i = 0; i < disks_.size(); ++i) {
    interfaces->push_back({kInterfacePrefix + DecimalText(static_cast<int64_t>(i)), disks_[i].instance_id});
  }
  return true;
}

int32_t MemoryStorage::StorageDeviceNumber(const std::wstring& device_path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring path = LowerText(device_path);
  if (StartsWith(path, kInterfacePrefix)) {
    const std::wstring index = path.substr(std::wstring(kInterfacePrefix).size());
    if (index.empty() || index.find_first_not_of(L"0123456789") != std::wstring::npos) return -1;
    const size_t i = static_cast<size_t>(ReadInteger(index));
    return i < disks_.size() ? disks_[i].number : -1;
  }
  if (!StartsWith(path, kDevicePrefix)) return -1;
  const std::wstring name = path.substr(4);
  auto drive = drives_.find(LetterOf(name));
  if (drive != drives_.end() && name.size() == 2) {
    return drive->second.target.empty() ? drive->second.disk_number : DiskOfTarget(drive->second.target);
  }
  auto defined = names_.find(name);
  return defined == names_.end() ? -1 : DiskOfTarget(defined->second);
}

bool MemoryStorage::DefineDosDevice(uint32_t flags, const std::wstring& name, const std::wstring& target) {
  std::lock_guard<std::mutex> lock(mutex_);
  definitions_.push_back(DecimalText(flags) + L"|" + name + L"|" + target);
  const std::wstring letter = name.size() == 2 ? LetterOf(name) : L"";
  const std::wstring key = LowerText(name);
  if (flags & kRemoveDefinition) {
    return letter.empty() ? names_.erase(key) > 0 : drives_.erase(letter) > 0;
  }
  if (target.empty()) return false;
  if (letter.empty()) {
    names_[key] = target;
  } else {
    Drive drive;
    drive.target = target;
    drives_[letter] = drive;
  }
  return true;
}

std::wstring MemoryStorage::QueryDosDevice(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (name.size() == 2) {
    auto drive = drives_.find(LetterOf(name));
    if (drive != drives_.end()) return drive->second.target;
  }
  auto defined = names_.find(LowerText(name));
  return defined == names_.end() ? L"" : defined->second;
}

void MemoryStorage::AddDrive(const std::wstring& letter, uint32_t type, const std::wstring& label,
                             bool readable, const std::wstring& target, int32_t disk_number) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = LetterOf(letter);
  if (key.empty()) return;
  Drive drive;
  drive.type = type;
  drive.label = label;
  drive.readable = readable;
  drive.target = target;
  drive.disk_number = disk_number;
  drives_[key] = drive;
}

void MemoryStorage::AddDisk(const std::wstring& instance_id, int32_t number) {
  std::lock_guard<std::mutex> lock(mutex_);
  disks_.push_back({instance_id, number});
}

void MemoryStorage::AddVolume(const std::wstring& device_name, int32_t disk_number, bool has_file_system,
                              const std::wstring& label) {
  std::lock_guard<std::mutex> lock(mutex_);
  volumes_.push_back({device_name, disk_number, has_file_system, label});
}

void MemoryStorage::SetDeviceLibraryAvailable(bool available) {
  std::lock_guard<std::mutex> lock(mutex_);
  library_available_ = available;
}

std::vector<std::wstring> MemoryStorage::Definitions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return definitions_;
}

}  // namespace orvane
