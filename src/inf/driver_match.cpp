#include "inf/driver_match.h"

#include <cstdint>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "text/text_helpers.h"

namespace orvane {

namespace {

// Removes every occurrence of pattern (lower case, non-empty), compared
// without regard to case, in one left-to-right pass.
std::wstring RemoveNoCase(const std::wstring& text, const std::wstring& lower_pattern) {
  std::wstring lower = LowerText(text);
  std::wstring out;
  size_t pos = 0, hit;
  while ((hit = lower.find(lower_pattern, pos)) != std::wstring::npos) {
    out.append(text, pos, hit - pos);
    pos = hit + lower_pattern.size();
  }
  out.append(text, pos, std::wstring::npos);
  return out;
}

bool HasTokenPair(std::wstring_view text) {
  size_t p = text.find(L'%');
  return p != std::wstring_view::npos && text.find(L'%', p + 1) != std::wstring_view::npos;
}

}  // namespace

// ---------------------------------------------------------------------------
// Match records

std::wstring DriverMatchText(const DriverMatch& m) {
  std::wstring out;
  const std::wstring* fields[] = {&m.description,       &m.instance_id,  &m.matched_id,
                                  &m.install_section,   &m.models_decoration,
                                  &m.manufacturer,      &m.driver_date,  &m.driver_version,
                                  &m.setup_class};
  for (size_t i = 0; i < 9; ++i) {
    if (i) out.push_back(L'\n');
    out += *fields[i];
  }
  return out;
}

DriverMatch ParseDriverMatch(const std::wstring& text) {
  std::vector<std::wstring> f = SplitText(text, L"\n");
  f.resize(9 > f.size() ? 9 : f.size());
  DriverMatch m;
  m.description = f[0];
  m.instance_id = f[1];
  m.matched_id = f[2];
  m.install_section = f[3];
  m.models_decoration = f[4];
  m.manufacturer = f[5];
  m.driver_date = f[6];
  m.driver_version = f[7];
  m.setup_class = f[8];
  return m;
}

std::wstring MatchListText(const std::vector<DriverMatch>& matches) {
  std::wstring out;
  for (const DriverMatch& m : matches) {
    out += DriverMatchText(m);
    out.push_back(L'\r');
  }
  return out;
}

// ---------------------------------------------------------------------------
// Device identifiers

struct DeviceIdList::Data {
  struct Device {
    std::wstring instance_id;         // item 1
    std::vector<std::wstring> items;  // items 1..n-1
  };
  // One device identifier: which device lists it, at which 0-based position.
  struct Node {
    size_t device;
    size_t position;
    size_t next;  // next node with the same identifier, or kEnd
  };
  static constexpr size_t kEnd = static_cast<size_t>(-1);

  std::vector<Device> devices;
  std::vector<Node> nodes;
  std::unordered_map<std::wstring_view, size_t> first_node;

  void AddDevice(const std::wstring& lower_text) {
    Device device;
    std::vector<std::wstring> items = SplitText(lower_text, L"\n");
    device.instance_id = items.front();
    items.pop_back();  // the piece after the last LF is never tried
    device.items = std::move(items);
    devices.push_back(std::move(device));
  }

  // Built once every device is in place: the keys are views into the items.
  void BuildIndex() {
    for (size_t d = 0; d < devices.size(); ++d) {
      const std::vector<std::wstring>& items = devices[d].items;
      for (size_t pos = 0; pos < items.size(); ++pos) {
        if (items[pos].empty()) continue;  // a model line never lists an empty identifier
        auto inserted = first_node.emplace(std::wstring_view(items[pos]), nodes.size());
        size_t next = inserted.second ? kEnd : inserted.first->second;
        if (!inserted.second) inserted.first->second = nodes.size();
        nodes.push_back(Node{d, pos, next});
      }
    }
  }
};

DeviceIdList::DeviceIdList() : data_(std::make_shared<Data>()) {}
DeviceIdList::DeviceIdList(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

DeviceIdList DeviceIdList::FromText(const std::wstring& deviceList) {
  auto data = std::make_shared<Data>();
  for (const std::wstring& text : SplitText(LowerText(deviceList), L",")) data->AddDevice(text);
  data->BuildIndex();
  return DeviceIdList(std::move(data));
}

DeviceIdList DeviceIdList::FromDeviceText(const std::wstring& deviceText) {
  auto data = std::make_shared<Data>();
  data->AddDevice(LowerText(deviceText));
  data->BuildIndex();
  return DeviceIdList(std::move(data));
}

DeviceIdList DeviceIdList::FromDeviceTexts(const std::vector<std::wstring>& deviceTexts) {
  auto data = std::make_shared<Data>();
  for (const std::wstring& text : deviceTexts) data->AddDevice(LowerText(text));
  data->BuildIndex();
  return DeviceIdList(std::move(data));
}

DeviceIdList DeviceIdList::FromItems(const std::vector<std::vector<std::wstring>>& devices) {
  auto data = std::make_shared<Data>();
  for (const std::vector<std::wstring>& items : devices) {
    std::wstring text;
    for (const std::wstring& item : items) {
      text += item;
      text.push_back(L'\n');
    }
    data->AddDevice(LowerText(text));
  }
  data->BuildIndex();
  return DeviceIdList(std::move(data));
}

size_t DeviceIdList::size() const { return data_->devices.size(); }
const std::wstring& DeviceIdList::InstanceId(size_t device) const {
  return data_->devices[device].instance_id;
}
const std::vector<std::wstring>& DeviceIdList::Items(size_t device) const {
  return data_->devices[device].items;
}

// ---------------------------------------------------------------------------
// Model section choice

ModelsChoice ChooseModelsSection(const InfDocument& inf, const std::wstring& manufacturerValue,
                                 const SystemProfile& profile) {
  ModelsChoice choice;
  std::wstring v = inf.ExpandStrings(profile.language, manufacturerValue);
  std::wstring base = Field(v, L",", 1);
  std::vector<std::wstring> decorations = SplitText(TrimBlanks(v, kTrimAll), L",");
  decorations.erase(decorations.begin());

  std::wstring arch = LowerText(profile.architecture);
  const std::wstring arch_list = arch == L"x86" ? L",nt,ntx86," : L",ntamd64,";
  const float system_version = ReadDecimal(profile.version);
  const int64_t system_type = ReadInteger(profile.product_type);
  const int64_t system_build = ReadInteger(profile.build);

  const std::wstring* best = nullptr;
  std::tuple<int64_t, int64_t, int64_t> best_version(0, 0, 0);
  bool saw_plain_nt = false;
  for (const std::wstring& d : decorations) {
    std::vector<std::wstring> parts = SplitText(d, L".");
    parts.resize(parts.size() < 6 ? 6 : parts.size());
    std::wstring platform = LowerText(parts[0]);
    if (arch_list.find(L"," + platform + L",") == std::wstring::npos) continue;
    if (platform == L"nt") saw_plain_nt = true;
    std::wstring major = parts[1];
    if (major.empty()) major = platform == L"nt" ? L"3" : platform == L"ntx86" ? L"4" : L"5";
    std::wstring minor = parts[2].empty() ? L"0" : parts[2];
    if (system_version < ReadDecimal(major + L"." + minor)) continue;
    int64_t type = ReadInteger(RemoveNoCase(parts[3], L"0x0"));
    if (type > 0 && type != system_type) continue;
    // The profile carries no product suite: a decoration that asks for one
    // cannot be shown to fit.
    if (!parts[4].empty()) continue;
    if (!parts[5].empty() && system_build < ReadInteger(parts[5])) continue;
    std::tuple<int64_t, int64_t, int64_t> version(ReadInteger(major), ReadInteger(minor),
                                                  ReadInteger(parts[5]));
    if (version > best_version) {
      best = &d;
      best_version = version;
    }
  }

  std::wstring base_name = RemoveQuotes(TrimBlanks(base, kTrimBoth));
  if (best) {
    choice.has_section = true;
    choice.section = base_name + L"." + *best;
    choice.decoration = L"." + *best;
  } else if (arch != L"amd64" && !saw_plain_nt) {
    choice.has_section = true;
    choice.section = base_name;
  }
  return choice;
}

// ---------------------------------------------------------------------------
// Models text

namespace {

inline wchar_t LowerFast(wchar_t ch) {
  if (static_cast<uint32_t>(ch) < 0x80) return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + 32) : ch;
  return LowerChar(ch);
}

}  // namespace

// The text is lower-cased as it is built (lower-casing goes character by
// character, so this is the text lower-cased as a whole). Each entry is
// written as a new line straight away; the line is taken back when the
// value has no "," (fewer than two fields), and its start when it repeats the
// description and install section of the line before.
ModelsText ReadModelsText(const InfDocument& inf, const std::wstring& section,
                          const std::wstring& language) {
  ModelsText models;
  std::wstring& text = models.text;
  std::wstring expanded;
  std::vector<ModelsText::Span> fields;
  inf.VisitSectionEntries(section, [&](std::wstring_view key, std::wstring_view value) {
    if (HasTokenPair(value)) {
      expanded = inf.ExpandStrings(language, std::wstring(value));
      value = expanded;
    }
    // Room for the longest line the entry can give, filled through a
    // pointer and cut back to what was written.
    const size_t line_start = text.size();
    text.resize(line_start + key.size() + value.size() + 3);
    wchar_t* const base = &text[0];
    wchar_t* w = base + line_start;
    *w++ = L'\n';
    size_t b = 0, e = key.size();
    while (b < e && IsBlank(key[b])) ++b;
    while (e > b && IsBlank(key[e - 1])) --e;
    for (size_t i = b; i < e; ++i) *w++ = LowerFast(key[i]);
    const ModelsText::Span description{line_start + 1, e - b};
    *w++ = L'=';

    // The fields of the value, split at ",", without double quotes and
    // blanks. Field 1 is the install section even when it is empty; empty
    // identifiers leave nothing behind.
    fields.clear();
    bool split = false;
    wchar_t* field_start = w;
    for (wchar_t ch : value) {
      if (ch == L',') {
        if (!split || w > field_start) {
          fields.push_back(ModelsText::Span{static_cast<size_t>(field_start - base),
                                            static_cast<size_t>(w - field_start)});
          *w++ = L',';
          field_start = w;
        }
        split = true;
      } else if (ch != L'"' && !IsBlank(ch)) {
        *w++ = LowerFast(ch);
      }
    }
    if (split && w > field_start) {
      fields.push_back(ModelsText::Span{static_cast<size_t>(field_start - base),
                                        static_cast<size_t>(w - field_start)});
      *w++ = L',';
    }
    text.resize(static_cast<size_t>(w - base));
    if (!split) {
      text.resize(line_start);
      return;
    }

    bool same = false;
    if (!models.lines.empty()) {
      const ModelsText::Line& last = models.lines.back();
      same = models.View(last.description) == models.View(description) &&
             models.View(last.section) == models.View(fields[0]);
    }
    size_t shift = 0;
    if (same) {
      // The identifiers go on the line before.
      shift = fields[0].pos + fields[0].len + 1 - line_start;
      text.erase(line_start, shift);
    } else {
      ModelsText::Line line;
      line.description = description;
      line.section = fields[0];
      line.first_id = models.ids.size();
      models.lines.push_back(line);
    }
    ModelsText::Line& current = models.lines.back();
    for (size_t i = 1; i < fields.size(); ++i)
      models.ids.push_back(ModelsText::Span{fields[i].pos - shift, fields[i].len});
    current.id_count += fields.size() - 1;
  });
  return models;
}

// ---------------------------------------------------------------------------
// Identifier lookup

std::wstring InstallSectionDecoration(const InfDocument& inf, const std::wstring& section,
                                      const std::wstring& architecture) {
  if (inf.SectionExists(section + L".NT" + architecture, false)) return L".NT" + architecture;
  if (inf.SectionExists(section + L".NT", false)) return L".NT";
  return std::wstring();
}

std::wstring InstallSectionDecoration(FileSystem& files, const std::wstring& infPath,
                                      const std::wstring& section,
                                      const std::wstring& architecture) {
  return InstallSectionDecoration(InfDocument::Load(files, infPath), section, architecture);
}

namespace {

// Where a device was found: the lowest position of its identifiers that a
// model line lists, and the first line (in file order) listing it.
struct Hit {
  size_t position = static_cast<size_t>(-1);
  size_t line = 0;
  bool found() const { return position != static_cast<size_t>(-1); }
};

// Looks every identifier of the models up among the devices' identifiers at
// positions min_position and later. The result has one slot per device, or
// is empty when nothing was found.
std::vector<Hit> FindHits(const ModelsText& models, const DeviceIdList& devices,
                          size_t min_position) {
  const DeviceIdList::Data& data = devices.data();
  std::vector<Hit> hits;
  if (data.first_node.empty()) return hits;
  for (size_t l = 0; l < models.lines.size(); ++l) {
    const ModelsText::Line& line = models.lines[l];
    for (size_t k = line.first_id; k < line.first_id + line.id_count; ++k) {
      auto it = data.first_node.find(models.View(models.ids[k]));
      if (it == data.first_node.end()) continue;
      for (size_t n = it->second; n != DeviceIdList::Data::kEnd; n = data.nodes[n].next) {
        const DeviceIdList::Data::Node& node = data.nodes[n];
        if (node.position < min_position) continue;
        if (hits.empty()) hits.resize(data.devices.size());
        Hit& hit = hits[node.device];
        if (node.position < hit.position) {
          hit.position = node.position;
          hit.line = l;
        }
      }
    }
  }
  return hits;
}

DriverMatch BuildRecord(const InfDocument& inf, const SystemProfile& profile,
                        const ModelsText& models, const ModelsText::Line& line,
                        const std::wstring& instance_id, const std::wstring& matched_id,
                        const MatchCommon& common, std::wstring* bare_section) {
  // The model line's description ends at its first "=" (a description may
  // hold ","), its install section runs from there to the next ",".
  DriverMatch m;
  m.description = TrimBlanks(
      inf.ExpandStrings(profile.language, RemoveQuotes(models.View(line.description))), kTrimBoth);
  std::wstring section = TrimBlanks(
      inf.ExpandStrings(profile.language, RemoveQuotes(models.View(line.section))), kTrimBoth);
  m.install_section = section + InstallSectionDecoration(inf, section, profile.architecture);
  m.instance_id = instance_id;
  m.matched_id = matched_id;
  m.models_decoration = common.models_decoration;
  m.manufacturer = common.manufacturer;
  m.driver_date = common.driver_date;
  m.driver_version = common.driver_version;
  m.setup_class = common.setup_class;
  if (bare_section) *bare_section = std::move(section);
  return m;
}

}  // namespace

std::vector<DriverMatch> FindDeviceModels(const InfDocument& inf, const SystemProfile& profile,
                                          const ModelsText& models, const DeviceIdList& devices,
                                          const MatchCommon& common) {
  std::vector<DriverMatch> records;
  std::vector<Hit> hits = FindHits(models, devices, 0);
  if (hits.empty()) return records;
  // The texts standing between two LF in this section's records so far
  // (fields 2 to 8): a device whose instance identifier is among them adds
  // nothing.
  std::unordered_set<std::wstring> inner_fields;
  for (size_t d = 0; d < hits.size(); ++d) {
    if (!hits[d].found()) continue;
    const std::wstring& instance_id = devices.InstanceId(d);
    if (inner_fields.count(instance_id)) continue;
    DriverMatch m = BuildRecord(inf, profile, models, models.lines[hits[d].line], instance_id,
                                devices.Items(d)[hits[d].position], common, nullptr);
    for (const std::wstring* f : {&m.instance_id, &m.matched_id, &m.install_section,
                                  &m.models_decoration, &m.manufacturer, &m.driver_date,
                                  &m.driver_version})
      inner_fields.insert(*f);
    records.push_back(std::move(m));
  }
  return records;
}

std::optional<DriverMatch> FindDeviceModel(const InfDocument& inf, const SystemProfile& profile,
                                           const ModelsText& models, const DeviceIdList& device,
                                           const MatchCommon& common) {
  if (device.size() == 0) return std::nullopt;
  std::vector<Hit> hits = FindHits(models, device, 1);
  if (hits.empty() || !hits[0].found()) return std::nullopt;
  std::wstring section;
  DriverMatch m = BuildRecord(inf, profile, models, models.lines[hits[0].line], device.InstanceId(0),
                              device.Items(0)[hits[0].position], common, &section);
  if (!inf.SectionExists(m.install_section, true)) return std::nullopt;
  return m;
}

// ---------------------------------------------------------------------------
// Entry points

namespace {

// Walks the manufacturers of an accepted INF; visit(models, common) returns
// false to stop.
template <typename Visit>
void ForEachModelSection(const InfDocument& inf, const SystemProfile& profile, Visit visit) {
  std::wstring signature = LowerText(inf.ReadValue(L"Version", L"Signature", L""));
  if (signature.find(L"$windows 95$") != std::wstring::npos) return;
  std::vector<InfDocument::EntryView> manufacturers = inf.SectionEntries(L"Manufacturer");
  if (manufacturers.empty()) return;

  bool have_version = false;
  MatchCommon common;
  for (const InfDocument::EntryView& entry : manufacturers) {
    ModelsChoice choice = ChooseModelsSection(inf, std::wstring(entry.second), profile);
    if (!choice.has_section) continue;
    ModelsText models = ReadModelsText(inf, choice.section, profile.language);
    if (models.empty()) continue;
    if (!have_version) {
      std::wstring driver_ver =
          inf.ExpandStrings(profile.language, inf.ReadValue(L"Version", L"DriverVer", L""));
      size_t comma = driver_ver.find(L',');
      if (comma == std::wstring::npos) {
        common.driver_date = TrimBlanks(driver_ver, kTrimBoth);
      } else {
        common.driver_date = TrimBlanks(driver_ver.substr(0, comma), kTrimBoth);
        common.driver_version = TrimBlanks(driver_ver.substr(comma + 1), kTrimBoth);
      }
      common.setup_class = TrimBlanks(
          inf.ExpandStrings(profile.language, inf.ReadValue(L"Version", L"class", L"")), kTrimBoth);
      have_version = true;
    }
    common.models_decoration = choice.decoration;
    common.manufacturer = TrimBlanks(
        RemoveQuotes(inf.ExpandStrings(profile.language, std::wstring(entry.first))), kTrimBoth);
    if (!visit(models, common)) return;
  }
}

}  // namespace

std::vector<DriverMatch> MatchInfDevices(const InfDocument& inf, const SystemProfile& profile,
                                         const DeviceIdList& devices) {
  std::vector<DriverMatch> all;
  if (devices.size() == 0) return all;
  ForEachModelSection(inf, profile, [&](const ModelsText& models, const MatchCommon& common) {
    std::vector<DriverMatch> found = FindDeviceModels(inf, profile, models, devices, common);
    for (DriverMatch& m : found) all.push_back(std::move(m));
    return true;
  });
  return all;
}

std::wstring MatchInfDevices(FileSystem& files, const std::wstring& infPath,
                             const SystemProfile& profile, const std::wstring& deviceList) {
  return MatchListText(MatchInfDevices(InfDocument::Load(files, infPath), profile,
                                       DeviceIdList::FromText(deviceList)));
}

std::optional<DriverMatch> MatchInfDevice(const InfDocument& inf, const SystemProfile& profile,
                                          const std::wstring& deviceText) {
  DeviceIdList device = DeviceIdList::FromDeviceText(deviceText);
  std::optional<DriverMatch> result;
  ForEachModelSection(inf, profile, [&](const ModelsText& models, const MatchCommon& common) {
    result = FindDeviceModel(inf, profile, models, device, common);
    return !result;
  });
  return result;
}

std::vector<std::optional<DriverMatch>> MatchInfDeviceEach(const InfDocument& inf,
                                                           const SystemProfile& profile,
                                                           const DeviceIdList& devices) {
  std::vector<std::optional<DriverMatch>> results(devices.size());
  if (devices.size() == 0) return results;
  std::vector<std::pair<ModelsText, MatchCommon>> sections;
  ForEachModelSection(inf, profile, [&](const ModelsText& models, const MatchCommon& common) {
    sections.emplace_back(models, common);
    return true;
  });
  // Every device is looked up in one pass per model section; a device keeps
  // the first section that gives it a record, as MatchInfDevice walks them.
  for (const auto& section : sections) {
    const std::vector<Hit> hits = FindHits(section.first, devices, 1);
    for (size_t d = 0; d < hits.size(); ++d) {
      if (results[d] || !hits[d].found()) continue;
      std::wstring bare;
      DriverMatch m = BuildRecord(inf, profile, section.first, section.first.lines[hits[d].line],
                                  devices.InstanceId(d), devices.Items(d)[hits[d].position],
                                  section.second, &bare);
      if (inf.SectionExists(m.install_section, true)) results[d] = std::move(m);
    }
  }
  return results;
}

std::wstring MatchInfDevice(FileSystem& files, const std::wstring& infPath,
                            const SystemProfile& profile, const std::wstring& deviceText) {
  std::optional<DriverMatch> m = MatchInfDevice(InfDocument::Load(files, infPath), profile, deviceText);
  return m ? DriverMatchText(*m) : std::wstring();
}

}  // namespace orvane
