// Driver matching with an arbitrary INF, a device list taken from the input
// and a few receiving systems. Input: line 1 the device list, "|" standing
// for LF (devices separated by ","), the rest the INF bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "inf/driver_match.h"

using namespace orvane;

namespace {

SystemProfile Profile(const wchar_t* arch, const wchar_t* version, const wchar_t* build,
                      const wchar_t* language, const wchar_t* product_type) {
  SystemProfile p;
  p.architecture = arch;
  p.version = version;
  p.build = build;
  p.language = language;
  p.product_type = product_type;
  return p;
}

bool FromInf(const std::wstring& field) {
  return field.find(L'\r') == std::wstring::npos && field.find(L'\n') == std::wstring::npos;
}

// The record's device and identifier come from the list: its instance
// identifier is item 1 of some device, the identifier one of that device's
// items 1..n-1 (2..n-1 when the instance identifier is not tried).
bool FromDevice(const DriverMatch& m, const std::vector<std::vector<std::wstring>>& devices,
                size_t first_item) {
  for (const auto& items : devices) {
    if (items.empty() || items[0] != m.instance_id) continue;
    for (size_t i = first_item; i + 1 < items.size(); ++i) {
      if (items[i] == m.matched_id) return true;
    }
  }
  return false;
}

void CheckRecord(const DriverMatch& m) {
  for (const std::wstring* field : {&m.description, &m.install_section, &m.models_decoration,
                                    &m.manufacturer, &m.driver_date, &m.driver_version,
                                    &m.setup_class}) {
    FUZZ_CHECK(FromInf(*field), *field);
  }
  FUZZ_CHECK(!m.matched_id.empty(), DriverMatchText(m));
  FUZZ_CHECK(m.models_decoration.empty() || m.models_decoration[0] == L'.', m.models_decoration);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string rest(reinterpret_cast<const char*>(data), size);
  const std::wstring device_list = ReplaceAll(Utf8ToWide(fuzz::TakeLine(&rest)), L"|", L"\n");
  MemoryFileSystem files;
  files.AddFile(fuzz::InfPath(), rest);
  const std::wstring& path = fuzz::InfPath();
  const InfDocument doc = InfDocument::FromBytes(rest);

  const std::vector<std::wstring> device_texts = SplitText(device_list, L",");
  std::vector<std::vector<std::wstring>> lowered;
  for (const std::wstring& text : device_texts) lowered.push_back(SplitText(LowerText(text), L"\n"));
  const DeviceIdList devices = DeviceIdList::FromText(device_list);

  const SystemProfile profiles[] = {
      Profile(L"x86", L"6.1", L"7601", L"0409", L"1"),
      Profile(L"AMD64", L"10.0", L"19041", L"0407", L"1"),
      Profile(L"amd64", L"10.0", L"22621", L"0409", L"3"),
      Profile(L"ARM64", L"", L"", L"", L""),
      Profile(L"x86", L"5.1", L"2600", L"0C0A", L"2"),
  };
  for (const SystemProfile& profile : profiles) {
    size_t before = files.read_count();
    const std::wstring list = MatchInfDevices(files, path, profile, device_list);
    FUZZ_CHECK(files.read_count() == before + 1, L"MatchInfDevices reads the file once");
    const std::vector<DriverMatch> matches = MatchInfDevices(doc, profile, devices);
    FUZZ_CHECK(list == MatchListText(matches), list);
    for (const DriverMatch& m : matches) {
      CheckRecord(m);
      FUZZ_CHECK(FromDevice(m, lowered, 0), DriverMatchText(m));
    }

    const std::vector<std::wstring> first_texts(
        device_texts.begin(), device_texts.begin() + std::min<size_t>(device_texts.size(), 6));
    const std::vector<std::optional<DriverMatch>> each = MatchInfDeviceEach(doc, profile, DeviceIdList::FromDeviceTexts(first_texts));
    FUZZ_CHECK(each.size() == first_texts.size(), L"MatchInfDeviceEach gives one result per device");
    for (size_t d = 0; d < device_texts.size() && d < 6; ++d) {
      before = files.read_count();
      const std::wstring record = MatchInfDevice(files, path, profile, device_texts[d]);
      FUZZ_CHECK(files.read_count() == before + 1, L"MatchInfDevice reads the file once");
      const std::optional<DriverMatch> match = MatchInfDevice(doc, profile, device_texts[d]);
      FUZZ_CHECK(record == (match ? DriverMatchText(*match) : std::wstring()), record);
      FUZZ_CHECK(record == (each[d] ? DriverMatchText(*each[d]) : std::wstring()), record);
      if (match) {
        CheckRecord(*match);
        FUZZ_CHECK(FromDevice(*match, {lowered[d]}, 1), record);
      }
    }
    const std::wstring decoration = InstallSectionDecoration(files, path, L"Install", profile.architecture);
    FUZZ_CHECK(decoration.empty() || decoration == L".NT" || decoration == L".NT" + profile.architecture,
               decoration);
  }
  return 0;
}
