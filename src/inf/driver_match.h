// Which devices an INF file can serve on a given Windows system.
//
// [Version] decides whether the file is considered at all, [Manufacturer]
// names the model sections with their platform decorations, one decoration
// per manufacturer is chosen for the receiving system, and the identifiers of
// the devices are looked up in the chosen model section. Matches are not
// ranked: they come in [Manufacturer] order, then in device-list order.
//
// Entry points come in two forms: on a path (the file is read once per
// call, results as texts) and on a loaded InfDocument with a prepared
// DeviceIdList (typed results; the form to use when many INF files are
// matched against the same devices).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inf/inf_reader.h"
#include "platform/file_system.h"
#include "registry/system_profile.h"

namespace orvane {

// One match of a model to a device. Its text form is the nine fields in this
// order, joined by LF.
struct DriverMatch {
  std::wstring description;        // 1: model description, expanded (literal text lower-cased)
  std::wstring instance_id;        // 2: device instance identifier, lower-cased
  std::wstring matched_id;         // 3: the device identifier that was found, lower-cased
  std::wstring install_section;    // 4: install section (lower-cased) + its decoration
  std::wstring models_decoration;  // 5: "." + chosen decoration, "" for the undecorated section
  std::wstring manufacturer;       // 6: the [Manufacturer] entry's key, expanded
  std::wstring driver_date;        // 7: DriverVer before its first ","
  std::wstring driver_version;     // 8: DriverVer after its first ","
  std::wstring setup_class;        // 9: [Version] Class
};

// The nine fields joined by LF.
std::wstring DriverMatchText(const DriverMatch& match);
// Fields 1..9 of a text form (missing fields are "").
DriverMatch ParseDriverMatch(const std::wstring& text);
// A match list: every record followed by CR; "" when there is none.
std::wstring MatchListText(const std::vector<DriverMatch>& matches);

// The identifiers of the devices to match, lower-cased and indexed once so
// that many INF files can be matched against them.
//
// A device text is the device's items each followed by LF: item 1 its
// instance identifier, then its hardware identifiers, then its compatible
// identifiers. A device list is device texts joined by ",". Splitting a
// device text at LF gives items 1..n, item n being the piece after the last
// LF; that last piece is never tried.
class DeviceIdList {
 public:
  DeviceIdList();  // no devices

  // From a device list (split at ",").
  static DeviceIdList FromText(const std::wstring& deviceList);
  // One device text, not split at "," (the form MatchInfDevice takes).
  static DeviceIdList FromDeviceText(const std::wstring& deviceText);
  // Several device texts, none split at ",".
  static DeviceIdList FromDeviceTexts(const std::vector<std::wstring>& deviceTexts);
  // From identifiers: per device its items in order (instance identifier
  // first); each item counts as followed by LF.
  static DeviceIdList FromItems(const std::vector<std::vector<std::wstring>>& devices);

  size_t size() const;
  // Item 1 of device i (0-based), lower-cased.
  const std::wstring& InstanceId(size_t device) const;
  // Items 1..n-1 of device i, lower-cased.
  const std::vector<std::wstring>& Items(size_t device) const;

  struct Data;
  const Data& data() const { return *data_; }

 private:
  explicit DeviceIdList(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> data_;
};

// The model section chosen for one [Manufacturer] entry.
struct ModelsChoice {
  bool has_section = false;  // false: this manufacturer gives no match
  std::wstring section;      // model section name, e.g. Acme.NTamd64.10.0
  std::wstring decoration;   // record field 5: "." + decoration, or ""
};

// Chooses the decoration of one [Manufacturer] entry value for the receiving
// system (architecture list, version, product type, suite mask, build; the
// first of equal versions wins; the undecorated section never for amd64 nor
// once a plain NT decoration was seen).
ModelsChoice ChooseModelsSection(const InfDocument& inf, const std::wstring& manufacturerValue,
                                 const SystemProfile& profile);

// The working form of one model section, built by appending to one text:
// per line LF + description + "=" + install section + "," + each identifier
// + ",", all lower-cased. A line stands for one model entry, or for several
// consecutive entries with the same description and install section. The
// spans locate the pieces of each line inside text.
struct ModelsText {
  struct Span {
    size_t pos = 0;
    size_t len = 0;
  };
  struct Line {
    Span description;  // the entry's key trimmed, not expanded
    Span section;      // expanded, without quotes and blanks
    size_t first_id = 0;  // index into ids
    size_t id_count = 0;
  };
  std::wstring text;
  std::vector<Line> lines;
  std::vector<Span> ids;

  bool empty() const { return lines.empty(); }
  std::wstring_view View(Span span) const { return std::wstring_view(text).substr(span.pos, span.len); }
};

ModelsText ReadModelsText(const InfDocument& inf, const std::wstring& section,
                          const std::wstring& language);

// The fields a manufacturer entry and [Version] give every record.
struct MatchCommon {
  std::wstring models_decoration;  // 5
  std::wstring manufacturer;       // 6
  std::wstring driver_date;        // 7
  std::wstring driver_version;     // 8
  std::wstring setup_class;        // 9
};

// Lookup for a device list: for each device in list order, items 1..n-1 are
// tried in order; the first one that a model line lists among its
// identifiers gives a record built from the first model line, in file order,
// that lists it (a description is never searched). A device whose instance
// identifier already stands between two LF of a record here adds nothing.
// Hash lookups: linear in the size of the models and of the device list.
std::vector<DriverMatch> FindDeviceModels(const InfDocument& inf, const SystemProfile& profile,
                                          const ModelsText& models, const DeviceIdList& devices,
                                          const MatchCommon& common);

// Lookup for one device (the first device of devices): items 2..n-1 are tried
// in order; the first one found decides. It gives a record only when its
// install section with its decoration holds at least one entry.
std::optional<DriverMatch> FindDeviceModel(const InfDocument& inf, const SystemProfile& profile,
                                           const ModelsText& models, const DeviceIdList& device,
                                           const MatchCommon& common);

// ".NT" + architecture when section + ".NT" + architecture exists, else ".NT"
// when section + ".NT" exists, else "". Architecture as given (e.g. AMD64).
std::wstring InstallSectionDecoration(const InfDocument& inf, const std::wstring& section,
                                      const std::wstring& architecture);
std::wstring InstallSectionDecoration(FileSystem& files, const std::wstring& infPath,
                                      const std::wstring& section,
                                      const std::wstring& architecture);

// Every match of the INF's models to the devices, in [Manufacturer] order and
// within it in device-list order.
std::vector<DriverMatch> MatchInfDevices(const InfDocument& inf, const SystemProfile& profile,
                                         const DeviceIdList& devices);
// Reads the file once; returns the match list text (records each followed by
// CR), "" when nothing matches.
std::wstring MatchInfDevices(FileSystem& files, const std::wstring& infPath,
                             const SystemProfile& profile, const std::wstring& deviceList);

// The first match for one device (its instance identifier is not tried) whose
// install section holds directives.
std::optional<DriverMatch> MatchInfDevice(const InfDocument& inf, const SystemProfile& profile,
                                          const std::wstring& deviceText);
// MatchInfDevice for each device of a list, with the INF's models read once:
// for a list made by DeviceIdList::FromDeviceTexts(texts), element i is what
// MatchInfDevice(inf, profile, texts[i]) gives.
std::vector<std::optional<DriverMatch>> MatchInfDeviceEach(const InfDocument& inf,
                                                           const SystemProfile& profile,
                                                           const DeviceIdList& devices);
// Reads the file once; returns the record text without CR, or "".
std::wstring MatchInfDevice(FileSystem& files, const std::wstring& infPath,
                            const SystemProfile& profile, const std::wstring& deviceText);

}  // namespace orvane
