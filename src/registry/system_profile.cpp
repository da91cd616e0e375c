#include "registry/system_profile.h"

#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::wstring ReadHklm(Registry& registry, const std::wstring& path, const std::wstring& name) {
  return ReadRegValue(registry, nullptr, L"HKLM", path, name);
}

}  // namespace

SystemProfile ReadRunningProfile(Registry& registry, SystemInfo& system) {
  SystemProfile profile;
  profile.architecture =
      ReadHklm(registry, L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
               L"PROCESSOR_ARCHITECTURE");
  profile.windows_dir = system.GetEnvironment(L"Windir");
  size_t slash = profile.windows_dir.find(L'\\');
  profile.system_drive = profile.windows_dir.substr(0, slash);
  profile.program_files =
      ReadHklm(registry, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");

  // Version 10 and later keep the version as two numbers; earlier ones only
  // have the text (which version 10 still carries, frozen at 6.3).
  std::wstring major = ReadHklm(registry, kCurrentVersionKey, L"CurrentMajorVersionNumber");
  if (major.empty()) {
    profile.version = ReadHklm(registry, kCurrentVersionKey, L"CurrentVersion");
  } else {
    profile.version =
        major + L"." + ReadHklm(registry, kCurrentVersionKey, L"CurrentMinorVersionNumber");
  }
  profile.build = ReadHklm(registry, kCurrentVersionKey, L"CurrentBuild");
  profile.product_type = system.ProductType();
  profile.language =
      ReadHklm(registry, L"SYSTEM\\CurrentControlSet\\control\\Nls\\Language", L"Default");
  return profile;
}

std::wstring WindowsDisplayName(const std::wstring& version, const std::wstring& architecture) {
  if (version == L"5.0") return L"Win 2000";
  if (version == L"5.1") return L"Win XP";
  if (version == L"5.2") {
    // 5.2 is the server line, except for the 64-bit edition of the client.
    std::wstring arch = LowerText(architecture);
    if (arch == L"x86") return L"Win 2003";
    if (arch == L"amd64") return L"Win XP";
    return L"unknown";
  }
  if (version == L"6.0") return L"Win Vista";
  if (version == L"6.1") return L"Win 7";
  if (version == L"6.2") return L"Win 8";
  if (version == L"6.3") return L"Win 8.1";
  if (version == L"10.0") return L"Win 10";
  return L"unknown";
}

std::wstring BitnessText(const std::wstring& architecture) {
  std::wstring arch = LowerText(architecture);
  if (arch == L"x86") return L"32 Bit";
  if (arch == L"amd64") return L"64 Bit";
  return L"";
}

std::wstring ProductTypeName(const std::wstring& product_type) {
  if (product_type == L"2") return L"LanmanNT";
  if (product_type == L"3") return L"ServerNT";
  return L"WinNT";
}

}  // namespace orvane
