#include "devices/offline_scan.h"

#include <utility>

#include "devices/device_lists.h"
#include "inf/driver_match.h"
#include "inf/inf_reader.h"
#include "registry/registry_access.h"
#include "registry/system_profile.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

// Where a service's image lies when it was installed from the driver store;
// the folder after it is the driver package's.
const wchar_t kDriverStoreImagePrefix[] = L"\\systemroot\\system32\\driverstore\\filerepository\\";

std::wstring ReadHklm(Registry& registry, const std::wstring& path, const std::wstring& name) {
  return ReadRegValue(registry, nullptr, L"HKLM", path, name);
}

std::wstring TextAfterFirstSemicolon(const std::wstring& text) {
  const size_t semicolon = text.find(L';');
  return semicolon == std::wstring::npos ? text : text.substr(semicolon + 1);
}

// "E\D" of an instance identifier "E\D\I"; "" when it has fewer than two
// "\" or an empty enumerator or device part.
std::wstring DeviceKeyName(const std::wstring& instance_id) {
  const size_t second = FindNth(instance_id, L"\\", 2);  // 1-based
  if (second == 0) return L"";
  const size_t first = instance_id.find(L'\\');
  if (first == 0 || first + 1 == second - 1) return L"";
  return instance_id.substr(0, second - 1);
}

// The package folder of an INF: the driver database's entry, or the folder
// of the device's service image when it lies in the driver store.
std::wstring PackageFolder(Registry& registry, const std::wstring& system_root, const std::wstring& inf_name,
                           const std::wstring& instance_key) {
  if (!inf_name.empty()) {
    const std::wstring active = ReadHklm(
        registry, Field(system_root, L"\\", 1) + L"\\DriverDatabase\\DriverInfFiles\\" + inf_name, L"Active");
    if (!active.empty()) return active;
  }
  const std::wstring service = ReadHklm(registry, instance_key, L"Service");
  if (service.empty()) return L"";
  const std::wstring image = ReadHklm(registry, system_root + L"\\Services\\" + service, L"ImagePath");
  const std::wstring prefix = kDriverStoreImagePrefix;
  if (!StartsWith(LowerText(image), prefix)) return L"";
  return Field(image.substr(prefix.size()), L"\\", 1);
}

// Adjacent records with the same INF, install section and description form
// one group (letter case ignored).
bool SameGroup(const DeviceRecord& a, const DeviceRecord& b) {
  return EqualsNoCase(a.inf_name, b.inf_name) && EqualsNoCase(a.install_section, b.install_section) &&
         EqualsNoCase(a.description, b.description);
}

// The running system's identifiers of a device: instance identifier, then
// hardware and compatible identifiers, each followed by LF.
std::wstring RunningDeviceText(Registry& registry, const std::wstring& instance_id) {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\enum\\" + instance_id;
  std::wstring text = instance_id + L"\n";
  for (const wchar_t* name : {L"HardwareID", L"CompatibleIDs"}) {
    const std::wstring ids = ReadHklm(registry, key, name);
    if (!ids.empty()) text += ids + L"\n";
  }
  return text;
}

}  // namespace

ScanHeader ScanHeaderOf(const InstallationProfile& installation) {
  ScanHeader header;
  header.computer_name = installation.computer_name;
  header.windows_dir = installation.windows_dir;
  header.architecture = installation.architecture;
  header.version = installation.version;
  header.program_files = installation.program_files;
  header.common_app_data = installation.common_app_data;
  return header;
}

std::wstring ScanHeaderText(const ScanHeader& header) {
  return header.computer_name + L"\n" + header.windows_dir + L"\n" + header.architecture + L"\n" + header.version +
         L"\n" + header.program_files + L"\n" + header.common_app_data;
}

std::wstring DeviceRecordText(const DeviceRecord& record) {
  std::wstring text = record.description + L"\n" + record.instance_id + L"\n" + record.driver_key + L"\n" +
                      record.inf_name + L"\n" + record.install_section + L"\n" + record.matching_id + L"\n" +
                      record.class_name + L"\n" + record.package_folder;
  if (!record.group.empty()) text += L"\n" + record.group;
  return text;
}

void DeviceScanTable::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  header_ = ScanHeader();
  records_.clear();
}

void DeviceScanTable::SetHeader(const ScanHeader& header) {
  std::lock_guard<std::mutex> lock(mutex_);
  header_ = header;
}

size_t DeviceScanTable::Add(const DeviceRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.push_back(record);
  return records_.size();
}

bool DeviceScanTable::SetGroup(size_t number, const std::wstring& group) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (number == 0 || number > records_.size()) return false;
  records_[number - 1].group = group;
  return true;
}

ScanHeader DeviceScanTable::Header() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return header_;
}

size_t DeviceScanTable::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_.size();
}

std::optional<DeviceRecord> DeviceScanTable::Record(size_t number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (number == 0 || number > records_.size()) return std::nullopt;
  return records_[number - 1];
}

std::vector<DeviceRecord> DeviceScanTable::Records() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

bool IsScanClass(const std::wstring& class_name) {
  const std::wstring lower = LowerText(class_name);
  for (const wchar_t* kept : {L"net", L"modem", L"scsiadapter", L"hdc", L"media", L"system",
                              L"nvidia network bus enumerator"}) {
    if (lower == kept) return true;
  }
  return false;
}

ClassIconLocation ClassIconOf(const std::wstring& class_name, const std::wstring& windows_dir) {
  struct Entry {
    const wchar_t* class_name;
    const wchar_t* file;
    int index;
  };
  static const Entry kIcons[] = {
      {L"display", L"\\system32\\Shell32.DLL", 161},
      {L"net", L"\\system32\\SETUPAPI.DLL", 4},
      {L"modem", L"\\system32\\Shell32.DLL", 196},
      {L"system", L"\\system32\\Shell32.DLL", 15},
      {L"usb", L"\\system32\\SETUPAPI.DLL", 13},
      {L"scsiadapter", L"\\system32\\SETUPAPI.DLL", 9},
      {L"hdc", L"\\system32\\SETUPAPI.DLL", 8},
      {L"media", L"\\system32\\Shell32.DLL", 168},
      {L"nvidia network bus enumerator", L"\\system32\\SETUPAPI.DLL", 12},
      {L"cdrom", L"\\system32\\Shell32.DLL", 184},
  };
  const std::wstring lower = LowerText(class_name);
  for (const Entry& entry : kIcons) {
    if (lower == entry.class_name) return {windows_dir + entry.file, entry.index};
  }
  return {windows_dir + L"\\system32\\SETUPAPI.DLL", 24};
}

std::vector<DeviceRecord> ReadInstalledDevices(Registry& registry, const std::wstring& system_root,
                                               const std::vector<std::wstring>& present_ids) {
  std::vector<DeviceRecord> records;
  // Without a root every key below would name the running system's own.
  if (system_root.empty()) return records;
  const std::wstring enum_root = system_root + L"\\Enum\\";
  const std::wstring class_root = system_root + L"\\Control\\Class\\";

  for (const std::wstring& id : present_ids) {
    if (StartsWith(LowerText(id), L"root\\")) continue;
    const std::wstring device_name = DeviceKeyName(id);
    if (device_name.empty()) continue;
    const std::wstring device_key = enum_root + device_name;

    // The last qualifying instance of the device wins.
    DeviceRecord kept;
    std::wstring kept_key;
    for (int32_t index = 1;; ++index) {
      RegStatus status = 0;
      const std::wstring instance = EnumRegSubKey(registry, &status, L"HKLM", device_key, index);
      if (status != 0) break;
      const std::wstring key = device_key + L"\\" + instance;
      if (ReadHklm(registry, key, L"ConfigFlags") != L"0") continue;
      const std::wstring driver = ReadHklm(registry, key, L"Driver");
      if (driver.empty()) continue;
      const std::wstring class_name = ReadHklm(registry, class_root + Field(driver, L"\\", 1), L"Class");
      if (!IsScanClass(class_name)) continue;
      kept.driver_key = driver;
      kept.class_name = class_name;
      kept.description = TextAfterFirstSemicolon(ReadHklm(registry, key, L"DeviceDesc"));
      kept_key = key;
    }
    if (kept_key.empty()) continue;

    const std::wstring driver_key = class_root + kept.driver_key;
    kept.instance_id = id;
    kept.inf_name = ReadHklm(registry, driver_key, L"InfPath");
    kept.install_section =
        ReadHklm(registry, driver_key, L"InfSection") + ReadHklm(registry, driver_key, L"InfSectionExt");
    kept.matching_id = ReadHklm(registry, driver_key, L"MatchingDeviceId");
    kept.package_folder = PackageFolder(registry, system_root, kept.inf_name, kept_key);
    records.push_back(std::move(kept));
  }
  return records;
}

void ScanInstalledDevices(Platform& platform, WindowView& view, const std::wstring& windows_dir,
                          DeviceScanTable& table) {
  const SystemProfile running = ReadRunningProfile(platform.registry, platform.system);
  table.Reset();
  // A rescan starts from an import that the last scan may have allowed.
  view.SetEnabled(ViewControl::DeviceImport, false);

  std::vector<DeviceRecord> records;
  InstallationProfile installation;
  {
    // The hives are loaded only for the registry walk.
    MountedInstallation mount(platform.registry, platform.system, windows_dir);
    installation = mount.profile();
    table.SetHeader(ScanHeaderOf(installation));
    view.SetText(ViewControl::TargetLine,
                 UiText(TxtHostPrefix) + WindowsDisplayName(installation.version, installation.architecture) +
                     L" " + BitnessText(installation.architecture) + UiText(TxtWinPeArrow) +
                     WindowsDisplayName(running.version, running.architecture) + L" " +
                     BitnessText(running.architecture));
    view.SetText(ViewControl::DeviceStatus1, UiText(TxtCheckingWindows));
    const std::vector<std::wstring> present =
        ListPresentDeviceIds(platform.registry, platform.devices, kAllDevices);
    records = ReadInstalledDevices(platform.registry, installation.system_root, present);
    for (const DeviceRecord& record : records) table.Add(record);
  }

  // Match each group's INF for the running system; a group is listed when
  // the match chooses the install section the installation uses.
  size_t found = 0;
  size_t size = 0;
  std::wstring group;
  for (size_t i = 0; i < records.size(); ++i) {
    const size_t number = i + 1;
    ++size;
    group += DecimalText(static_cast<int64_t>(number)) + L",";
    if (number < records.size() && SameGroup(records[i], records[number])) continue;
    const std::wstring suffix = size > 1 ? L" (" + DecimalText(static_cast<int64_t>(size)) + L")" : L"";
    size = 0;

    const DeviceRecord& record = records[i];
    const std::optional<DriverMatch> match =
        MatchInfDevice(InfDocument::Load(platform.files, windows_dir + L"\\inf\\" + record.inf_name), running,
                       RunningDeviceText(platform.registry, record.instance_id));
    if (match && EqualsNoCase(match->install_section, record.install_section)) {
      table.SetGroup(number, group);
      view.AddTreeItem(ViewControl::DeviceTree, record.description + suffix,
                       ItemIcon{match->setup_class, running.windows_dir}, static_cast<int64_t>(number));
      ++found;
      view.SetText(ViewControl::DeviceCount, DecimalText(static_cast<int64_t>(found)));
    }
    group.clear();
  }

  view.SetText(ViewControl::DeviceStatus1, DecimalText(static_cast<int64_t>(found)) + UiText(TxtDriverFoundSuffix));
  if (installation.architecture == running.architecture) {
    view.SetEnabled(ViewControl::DeviceImport, true);
  } else {
    view.SetText(ViewControl::DeviceStatus1, UiText(TxtArchMismatch));
  }
}

}  // namespace orvane
