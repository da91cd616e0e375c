#include "inf_corpus.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace bench {

namespace {

// Small, fast and the same on every compiler (the standard distributions are
// not).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
  size_t Between(size_t low, size_t high) { return low + Below(high - low + 1); }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  bool Chance(double p) { return Unit() < p; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

 private:
  uint64_t state_;
};

std::wstring Hex(uint64_t value, int digits) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text(static_cast<size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0; --i) {
    text[static_cast<size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::wstring Dec(uint64_t value) { return std::to_wstring(value); }

std::wstring Pad(const std::wstring& text, size_t width) {
  return text.size() >= width ? text : text + std::wstring(width - text.size(), L' ');
}

const wchar_t* const kPciVendors[] = {L"8086", L"10EC", L"14E4", L"1022", L"10DE", L"1B21",
                                      L"168C", L"1969", L"1AF4", L"15AD", L"1000", L"9005",
                                      L"1077", L"19A2", L"1912", L"1B4B", L"144D", L"126F"};
const wchar_t* const kUsbVendors[] = {L"0BDA", L"8087", L"046D", L"0781", L"0B95", L"2109",
                                      L"05E3", L"13D3", L"0CF3", L"04F2", L"1532", L"17EF"};
const wchar_t* const kAcpiVendors[] = {L"INT", L"AMDI", L"MSFT", L"SYNA", L"ELAN", L"QCOM"};
const wchar_t* const kCompanies[] = {L"Contoso", L"Fabrikam", L"Northwind", L"Tailspin",
                                     L"Litware", L"Adatum", L"Proseware", L"Wingtip",
                                     L"Woodgrove", L"Coho", L"Lucerne", L"Margie"};
const wchar_t* const kProducts[] = {L"Gigabit Network Connection", L"Ethernet Controller",
                                    L"Wireless-AC Adapter", L"SATA AHCI Controller",
                                    L"NVMe Storage Controller", L"RAID Controller",
                                    L"USB 3.0 eXtensible Host Controller", L"High Definition Audio",
                                    L"Card Reader", L"Serial IO I2C Host Controller",
                                    L"Bluetooth Radio", L"Management Engine Interface",
                                    L"Thermal Subsystem", L"SMBus Controller"};
// Localized words with characters outside ASCII; all of them exist in the
// Windows-1252 code page.
const wchar_t* const kLocalWords[] = {L"Netzwerkverbindung", L"Contr\u00F4leur r\u00E9seau",
                                      L"Ger\u00E4t f\u00FCr Speicher", L"Adaptador inal\u00E1mbrico",
                                      L"Controlador de almacenamiento", L"P\u00E9riph\u00E9rique audio",
                                      L"Kartenleseger\u00E4t", L"Unit\u00E0 di controllo",
                                      L"H\u00F6chstleistung\u2122", L"Schnittstelle \u00AE",
                                      L"Dispositivo \u00AB\u00BB", L"\u00C5tkomst \u00F8 \u00E6"};
const wchar_t* const kLanguages[] = {L"0407", L"040C", L"0410", L"0C0A", L"0416", L"0413",
                                     L"041D", L"0406", L"0414", L"040B", L"0405", L"0415",
                                     L"040E", L"0419", L"0408", L"041F", L"0411", L"0412",
                                     L"0804", L"0404", L"040D", L"0401", L"0402", L"0816"};

struct ClassInfo {
  const wchar_t* name;
  const wchar_t* guid;
};
const ClassInfo kClasses[] = {
    {L"Net", L"{4d36e972-e325-11ce-bfc1-08002be10318}"},
    {L"System", L"{4d36e97d-e325-11ce-bfc1-08002be10318}"},
    {L"HDC", L"{4d36e96a-e325-11ce-bfc1-08002be10318}"},
    {L"SCSIAdapter", L"{4d36e97b-e325-11ce-bfc1-08002be10318}"},
    {L"USB", L"{36fc9e60-c465-11cf-8056-444553540000}"},
    {L"MEDIA", L"{4d36e96c-e325-11ce-bfc1-08002be10318}"},
    {L"Bluetooth", L"{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"},
};

// [Manufacturer] decoration lists as vendors write them.
const wchar_t* const kDecorations[] = {
    L"NTx86, NTamd64",
    L"NTamd64.10.0...17763, NTamd64.6.3, NTx86.10.0...17763, NTx86.6.3",
    L"NTamd64, NTamd64.10.0...16299",
    L"NTamd64.10.0.1, NTamd64.10.0.3",
    L"NTx86.6.1, NTamd64.6.1, NTamd64.10.0...19041",
    L"NTamd64.10.0...17763 , NTamd64.6.1 ,NTx86",
    L"NT.6.1, NTamd64.6.1",
    L"",
};

// One device of the machine: what the platform would report for it.
struct MachineDevice {
  std::wstring instance;
  std::vector<std::wstring> hardware;
  std::vector<std::wstring> compatible;
};

MachineDevice MakePciDevice(Rng& rng) {
  const std::wstring ven = rng.Pick(kPciVendors);
  const std::wstring dev = Hex(rng.Next(), 4);
  const std::wstring subsys = Hex(rng.Next(), 8);
  const std::wstring rev = Hex(rng.Below(0x20), 2);
  const std::wstring cc = Hex(rng.Next(), 6);
  const std::wstring base = L"PCI\\VEN_" + ven + L"&DEV_" + dev;
  MachineDevice d;
  d.instance = base + L"&SUBSYS_" + subsys + L"&REV_" + rev + L"\\3&" + Hex(rng.Next(), 8) +
               L"&0&" + Hex(rng.Below(256), 2);
  d.hardware = {base + L"&SUBSYS_" + subsys + L"&REV_" + rev, base + L"&SUBSYS_" + subsys,
                base + L"&CC_" + cc, base + L"&CC_" + cc.substr(0, 4)};
  d.compatible = {base + L"&REV_" + rev,
                  base,
                  L"PCI\\VEN_" + ven + L"&CC_" + cc,
                  L"PCI\\VEN_" + ven + L"&CC_" + cc.substr(0, 4),
                  L"PCI\\VEN_" + ven,
                  L"PCI\\CC_" + cc + L"&DT_0",
                  L"PCI\\CC_" + cc,
                  L"PCI\\CC_" + cc.substr(0, 4) + L"&DT_0",
                  L"PCI\\CC_" + cc.substr(0, 4)};
  return d;
}

MachineDevice MakeUsbDevice(Rng& rng) {
  const std::wstring base = L"USB\\VID_" + std::wstring(rng.Pick(kUsbVendors)) + L"&PID_" +
                            Hex(rng.Next(), 4);
  const std::wstring cls = Hex(rng.Below(0x100), 2);
  const std::wstring sub = Hex(rng.Below(0x10), 2);
  const std::wstring prot = Hex(rng.Below(0x10), 2);
  MachineDevice d;
  d.instance = base + L"\\" + Hex(rng.Next(), 12);
  d.hardware = {base + L"&REV_" + Hex(rng.Below(0x10000), 4), base};
  d.compatible = {L"USB\\Class_" + cls + L"&SubClass_" + sub + L"&Prot_" + prot,
                  L"USB\\Class_" + cls + L"&SubClass_" + sub, L"USB\\Class_" + cls};
  return d;
}

MachineDevice MakeAudioDevice(Rng& rng) {
  const std::wstring base =
      L"HDAUDIO\\FUNC_01&VEN_" + std::wstring(rng.Pick(kPciVendors)) + L"&DEV_" + Hex(rng.Next(), 4);
  const std::wstring subsys = Hex(rng.Next(), 8);
  const std::wstring rev = Hex(rng.Below(0x10000), 4);
  MachineDevice d;
  d.instance = base + L"&SUBSYS_" + subsys + L"&REV_" + rev + L"\\4&" + Hex(rng.Next(), 8) +
               L"&0&0001";
  d.hardware = {base + L"&SUBSYS_" + subsys + L"&REV_" + rev, base + L"&SUBSYS_" + subsys};
  d.compatible = {base + L"&REV_" + rev, base, L"HDAUDIO\\FUNC_01"};
  return d;
}

MachineDevice MakeAcpiDevice(Rng& rng) {
  const std::wstring ven = rng.Pick(kAcpiVendors);
  const std::wstring dev = Hex(rng.Next(), 4);
  MachineDevice d;
  d.instance = L"ACPI\\" + ven + dev + L"\\" + Dec(rng.Below(4));
  d.hardware = {L"ACPI\\VEN_" + ven + L"&DEV_" + dev, L"ACPI\\" + ven + dev, L"*" + ven + dev};
  if (rng.Chance(0.5)) d.compatible = {L"ACPI\\PNP0C02", L"*PNP0C02"};
  return d;
}

MachineDevice MakeDevice(Rng& rng) {
  const size_t kind = rng.Below(100);
  if (kind < 40) return MakePciDevice(rng);
  if (kind < 65) return MakeUsbDevice(rng);
  if (kind < 80) return MakeAudioDevice(rng);
  return MakeAcpiDevice(rng);
}

// An identifier of no device of the machine, in one of the usual shapes.
std::wstring ForeignId(Rng& rng) {
  const size_t kind = rng.Below(10);
  if (kind < 5) {
    std::wstring id = L"PCI\\VEN_" + std::wstring(rng.Pick(kPciVendors)) + L"&DEV_" + Hex(rng.Next(), 4);
    if (rng.Chance(0.6)) id += L"&SUBSYS_" + Hex(rng.Next(), 8);
    if (rng.Chance(0.2)) id += L"&REV_" + Hex(rng.Below(0x20), 2);
    return id;
  }
  if (kind < 8) {
    std::wstring id = L"USB\\VID_" + std::wstring(rng.Pick(kUsbVendors)) + L"&PID_" + Hex(rng.Next(), 4);
    if (rng.Chance(0.3)) id += L"&MI_0" + Dec(rng.Below(4));
    return id;
  }
  if (kind < 9) {
    return L"HDAUDIO\\FUNC_01&VEN_" + std::wstring(rng.Pick(kPciVendors)) + L"&DEV_" + Hex(rng.Next(), 4) +
           L"&SUBSYS_" + Hex(rng.Next(), 8);
  }
  return L"ACPI\\" + std::wstring(rng.Pick(kAcpiVendors)) + Hex(rng.Next(), 4);
}

// Text of one INF file, lines ended by CR LF.
class InfWriter {
 public:
  void Line(const std::wstring& text) {
    text_ += text;
    text_ += L"\r\n";
  }
  void Blank() { text_ += L"\r\n"; }
  void Header(const std::wstring& name) {
    Blank();
    Line(L"[" + name + L"]");
  }
  size_t size() const { return text_.size(); }
  const std::wstring& text() const { return text_; }

 private:
  std::wstring text_;
};

struct Token {
  std::wstring name;
  std::wstring english;
};

struct Model {
  std::wstring desc_token;
  std::wstring install;
  std::vector<std::wstring> ids;
};

struct Manufacturer {
  std::wstring token;
  std::wstring section;
  std::vector<std::wstring> decorations;  // as listed, blanks removed
  std::wstring decoration_text;           // as written in [Manufacturer]
  std::vector<Model> models;
};

std::vector<std::wstring> SplitDecorations(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::wstring current;
  for (wchar_t ch : text) {
    if (ch == L',') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else if (ch != L' ') {
      current += ch;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Builds one INF of about target_chars characters. machine_ids are
// identifiers of the machine's devices that this INF is to list.
std::wstring MakeInf(Rng& rng, size_t number, size_t target_chars,
                     const std::vector<std::wstring>& machine_ids) {
  const ClassInfo& cls = rng.Pick(kClasses);
  const std::wstring company = rng.Pick(kCompanies);
  const std::wstring product = rng.Pick(kProducts);
  const std::wstring prefix = company.substr(0, 3) + Dec(number);
  std::vector<Token> tokens;

  // Size plan: the model lines are repeated for every decoration, the
  // parameters fill the AddReg sections, and the language sections repeat
  // every string. Localized [Strings] sections are added until the size is
  // reached.
  const size_t model_count = std::max<size_t>(2, target_chars / 2600);
  const size_t param_count = std::min<size_t>(60, 3 + target_chars / 9000);

  std::vector<Manufacturer> makers(rng.Chance(0.7) ? 1 : rng.Between(2, 4));
  for (size_t m = 0; m < makers.size(); ++m) {
    Manufacturer& maker = makers[m];
    maker.token = L"Mfg" + Dec(m);
    maker.section = m == 0 ? company : company + L"." + Dec(m);
    maker.decoration_text = rng.Pick(kDecorations);
    maker.decorations = SplitDecorations(maker.decoration_text);
    tokens.push_back({maker.token, company + (m == 0 ? L"" : L" " + Dec(m))});
  }
  const size_t install_count = std::max<size_t>(1, model_count / 6);
  for (size_t i = 0; i < model_count; ++i) {
    Manufacturer& maker = makers[rng.Below(makers.size())];
    Model model;
    model.desc_token = prefix + L".Dev" + Dec(i) + L".DeviceDesc";
    model.install = prefix + L"_Inst" + Dec(i % install_count);
    const size_t ids = rng.Between(1, 3);
    for (size_t k = 0; k < ids; ++k) model.ids.push_back(ForeignId(rng));
    tokens.push_back({model.desc_token, company + L" " + product + L" " + Hex(rng.Next(), 4)});
    maker.models.push_back(std::move(model));
  }
  // The machine's identifiers go into random model lines of the first maker.
  if (makers[0].models.empty()) {
    makers[0].models.push_back({prefix + L".Extra.DeviceDesc", prefix + L"_Inst0", {ForeignId(rng)}});
    tokens.push_back({prefix + L".Extra.DeviceDesc", company + L" " + product});
  }
  for (const std::wstring& id : machine_ids) {
    Model& model = makers[0].models[rng.Below(makers[0].models.size())];
    model.ids.insert(model.ids.begin() + static_cast<std::ptrdiff_t>(rng.Below(model.ids.size() + 1)), id);
  }
  std::vector<std::wstring> params;
  for (size_t p = 0; p < param_count; ++p) params.push_back(L"Param" + Dec(p));

  InfWriter inf;
  inf.Line(L";-------------------------------------------------------------------------------");
  inf.Line(L"; " + company + L" " + product + L" driver package " + Dec(number));
  inf.Line(L"; Copyright (c) " + company + L" Corporation. All rights reserved.");
  inf.Line(L";-------------------------------------------------------------------------------");
  inf.Header(L"Version");
  const size_t signature = rng.Below(100);
  inf.Line(std::wstring(L"Signature   = ") +
           (signature < 80 ? L"\"$WINDOWS NT$\"" : signature < 98 ? L"\"$Chicago$\"" : L"\"$Windows 95$\""));
  inf.Line(L"Class       = " + std::wstring(cls.name));
  inf.Line(L"ClassGUID   = " + std::wstring(cls.guid));
  inf.Line(L"Provider    = %" + makers[0].token + L"%");
  inf.Line(L"CatalogFile = " + prefix + L".cat");
  inf.Line(L"DriverVer   = " + Dec(rng.Between(1, 12)) + L"/" + Dec(rng.Between(1, 28)) + L"/" +
           Dec(rng.Between(2012, 2024)) + L"," + Dec(rng.Between(1, 30)) + L"." +
           Dec(rng.Below(100)) + L"." + Dec(rng.Below(10000)) + L"." + Dec(rng.Below(1000)));
  inf.Line(L"PnpLockdown = 1");

  inf.Header(L"ControlFlags");
  inf.Line(L"ExcludeFromSelect = *");

  inf.Header(L"Manufacturer");
  for (const Manufacturer& maker : makers) {
    std::wstring line = L"%" + maker.token + L"% = " + maker.section;
    if (!maker.decoration_text.empty()) line += L", " + maker.decoration_text;
    inf.Line(line);
  }

  for (const Manufacturer& maker : makers) {
    std::vector<std::wstring> sections;
    if (maker.decorations.empty()) sections.push_back(maker.section);
    for (const std::wstring& d : maker.decorations) sections.push_back(maker.section + L"." + d);
    for (const std::wstring& section : sections) {
      inf.Header(section);
      inf.Line(L"; DisplayName                  Section                DeviceId");
      inf.Line(L"; -----------                  -------                --------");
      for (const Model& model : maker.models) {
        std::wstring line = Pad(L"%" + model.desc_token + L"%", 40) + L"= " + Pad(model.install, 18);
        for (const std::wstring& id : model.ids) line += L", " + id;
        inf.Line(line);
      }
    }
  }

  for (size_t s = 0; s < install_count; ++s) {
    const std::wstring install = prefix + L"_Inst" + Dec(s);
    for (const wchar_t* arch : {L".NTamd64", L".NTx86"}) {
      inf.Header(install + arch);
      inf.Line(L"Characteristics    = 0x84 ; NCF_HAS_UI | NCF_PHYSICAL");
      inf.Line(L"BusType            = 5");
      inf.Line(L"AddReg             = " + install + L".reg, " + prefix + L".Common.reg");
      inf.Line(L"CopyFiles          = " + prefix + L".CopyFiles");
      inf.Line(L"*IfType            = 6");
      inf.Line(L"*MediaType         = 0");
      inf.Line(L"FeatureScore       = 0xFE");
      inf.Header(install + arch + L".Services");
      inf.Line(L"AddService = " + prefix + L"drv, 2, " + prefix + L".Service, " + prefix + L".EventLog");
    }
    inf.Header(install + L".reg");
    inf.Line(L"HKR, Ndi,                        Service,    0, \"" + prefix + L"drv\"");
    inf.Line(L"HKR, Ndi\\Interfaces,             UpperRange, 0, \"ndis5\"");
    inf.Line(L"HKR, Ndi\\Interfaces,             LowerRange, 0, \"ethernet\"");
  }

  inf.Header(prefix + L".Common.reg");
  for (const std::wstring& param : params) {
    const std::wstring key = L"HKR, Ndi\\Params\\*" + param;
    inf.Line(Pad(key + L",", 40) + L"ParamDesc,  0, %" + prefix + L"." + param + L"%");
    inf.Line(Pad(key + L",", 40) + L"default,    0, \"" + Dec(rng.Below(2)) + L"\"");
    inf.Line(Pad(key + L",", 40) + L"type,       0, \"enum\"");
    for (size_t v = 0; v < 4; ++v) {
      inf.Line(Pad(key + L"\\enum,", 40) + L"\"" + Dec(v) + L"\",  0, %" + prefix + L"." + param +
               L".V" + Dec(v) + L"%");
      tokens.push_back({prefix + L"." + param + L".V" + Dec(v), L"Setting " + Dec(v) + L" of " + param});
    }
    tokens.push_back({prefix + L"." + param, L"Parameter " + param + L" of the adapter"});
  }

  inf.Header(prefix + L".CopyFiles");
  inf.Line(prefix + L"drv.sys,,,2");
  inf.Line(prefix + L"co.dll");
  inf.Header(L"DestinationDirs");
  inf.Line(L"DefaultDestDir     = 11");
  inf.Line(prefix + L".CopyFiles = 12");
  inf.Header(L"SourceDisksNames");
  inf.Line(L"1 = %DiskName%,,,\"\"");
  inf.Header(L"SourceDisksFiles");
  inf.Line(prefix + L"drv.sys = 1,,");
  inf.Line(prefix + L"co.dll  = 1,,");
  tokens.push_back({L"DiskName", company + L" Driver Disk"});
  inf.Header(prefix + L".Service");
  inf.Line(L"DisplayName     = %" + makers[0].token + L"%");
  inf.Line(L"ServiceType     = 1 ; SERVICE_KERNEL_DRIVER");
  inf.Line(L"StartType       = 3 ; SERVICE_DEMAND_START");
  inf.Line(L"ErrorControl    = 1 ; SERVICE_ERROR_NORMAL");
  inf.Line(L"ServiceBinary   = %12%\\" + prefix + L"drv.sys");
  inf.Line(L"LoadOrderGroup  = NDIS");

  inf.Header(L"Strings");
  for (const Token& token : tokens) {
    inf.Line(Pad(token.name, 44) + L"= \"" + token.english + L"\"");
  }
  // Localized copies until the file has its size (at least one).
  size_t language = rng.Below(sizeof(kLanguages) / sizeof(kLanguages[0]));
  size_t added = 0;
  do {
    inf.Header(std::wstring(L"Strings.") + kLanguages[language % (sizeof(kLanguages) / sizeof(kLanguages[0]))]);
    for (const Token& token : tokens) {
      inf.Line(Pad(token.name, 44) + L"= \"" + rng.Pick(kLocalWords) + L" " + token.english + L"\"");
    }
    ++language;
    ++added;
  } while (inf.size() < target_chars && added < 200);
  return inf.text();
}

std::string EncodeUtf16(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (wchar_t ch : text) {
    bytes.push_back(static_cast<char>(ch & 0xFF));
    bytes.push_back(static_cast<char>((ch >> 8) & 0xFF));
  }
  return bytes;
}

std::string EncodeAnsi(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t ch : text) {
    if (ch < 0x100) {
      bytes.push_back(static_cast<char>(ch));
    } else if (ch == 0x2122) {
      bytes.push_back(static_cast<char>(0x99));
    } else if (ch == 0x20AC) {
      bytes.push_back(static_cast<char>(0x80));
    } else {
      bytes.push_back('?');
    }
  }
  return bytes;
}

std::string EncodeUtf8(const std::wstring& text) {
  std::string bytes = "\xEF\xBB\xBF";
  for (wchar_t wc : text) {
    const uint32_t ch = static_cast<uint32_t>(wc) & 0xFFFF;
    if (ch < 0x80) {
      bytes.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (ch >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xE0 | (ch >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
  }
  return bytes;
}

std::wstring Join(const std::wstring& folder, wchar_t separator, const std::wstring& name) {
  if (!folder.empty() && (folder.back() == L'/' || folder.back() == L'\\')) return folder + name;
  return folder + separator + name;
}

}  // namespace

bool BuildCorpus(FileSystem& files, const std::wstring& root, const CorpusSettings& settings,
                 CorpusSummary* summary) {
  *summary = CorpusSummary();
  const wchar_t sep = files.Separator();
  Rng rng(settings.seed);

  // The machine.
  std::vector<MachineDevice> machine;
  for (size_t i = 0; i < settings.device_count; ++i) machine.push_back(MakeDevice(rng));
  std::string devices_file = "\xEF\xBB\xBF";
  std::wstring device_list;
  for (size_t i = 0; i < machine.size(); ++i) {
    const MachineDevice& d = machine[i];
    std::wstring text = d.instance + L"\n";
    for (const std::wstring& id : d.hardware) text += id + L"\n";
    for (const std::wstring& id : d.compatible) text += id + L"\n";
    if (i > 0) {
      device_list += L",";
      devices_file += "\r\n";
    }
    device_list += text;
    devices_file += EncodeUtf8(text).substr(3);
  }
  // A fifth of the devices is served by the collection, each by a few INFs,
  // through one of its hardware or compatible identifiers.
  std::vector<std::vector<std::wstring>> ids_for_inf(settings.inf_count);
  for (size_t i = 0; i < machine.size() && settings.inf_count > 0; i += 5) {
    const MachineDevice& d = machine[i];
    const size_t served_by = rng.Between(1, 4);
    for (size_t k = 0; k < served_by; ++k) {
      const bool hardware = d.compatible.empty() || rng.Chance(0.5);
      const std::vector<std::wstring>& pool = hardware ? d.hardware : d.compatible;
      ids_for_inf[rng.Below(settings.inf_count)].push_back(pool[rng.Below(pool.size())]);
    }
  }

  summary->inf_folder = Join(root, sep, L"drivers");
  summary->devices_file = Join(root, sep, L"devices.txt");
  summary->device_list = device_list;
  if (!files.CreateDirectories(summary->inf_folder)) return false;
  // Line endings of the devices file vary as they do when a file is edited
  // on different systems; the parser takes all of them.
  if (!files.WriteFile(summary->devices_file, devices_file)) return false;

  // File sizes: log-uniform between 4 KB and 500 KB, then scaled so that the
  // whole collection comes near the total asked for.
  std::vector<double> sizes(settings.inf_count);
  double sum = 0;
  for (double& size : sizes) {
    size = 4000.0 * std::exp(rng.Unit() * std::log(500000.0 / 4000.0));
    sum += size;
  }
  const double scale = sum > 0 ? static_cast<double>(settings.total_bytes) / sum : 1.0;

  for (size_t n = 0; n < settings.inf_count; ++n) {
    const size_t kind = rng.Below(100);
    const bool utf16 = kind < 45;
    const bool utf8 = kind >= 90;
    const double bytes = sizes[n] * scale;
    const size_t target_chars = static_cast<size_t>(utf16 ? bytes / 2 : bytes);
    const std::wstring text = MakeInf(rng, n, target_chars, ids_for_inf[n]);
    const std::string encoded = utf16 ? EncodeUtf16(text) : utf8 ? EncodeUtf8(text) : EncodeAnsi(text);

    // vendor folder / package folder / file, like an unpacked driver pack.
    const std::wstring vendor = Join(summary->inf_folder, sep, rng.Pick(kCompanies));
    const std::wstring package = Join(vendor, sep, L"pkg" + Dec(n / 3));
    if (!files.DirectoryExists(package) && !files.CreateDirectories(package)) return false;
    const std::wstring name = (n % 7 == 0 ? L"NET" : L"drv") + Dec(n) + (n % 11 == 0 ? L".INF" : L".inf");
    if (!files.WriteFile(Join(package, sep, name), encoded)) return false;
    // Packages also carry files that are no INF.
    if (n % 3 == 0 && !files.WriteFile(Join(package, sep, L"readme.txt"), "Driver package\r\n")) {
      return false;
    }
    ++summary->inf_files;
    summary->inf_bytes += encoded.size();
    if (utf16) {
      ++summary->utf16_files;
    } else if (utf8) {
      ++summary->utf8_files;
    } else {
      ++summary->ansi_files;
    }
  }
  return true;
}

}  // namespace bench
}  // namespace orvane
