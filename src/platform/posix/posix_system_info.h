// Facts of the host system, for running the program's logic outside Windows.
#pragma once

#include "platform/system_info.h"

namespace orvane {

class PosixSystemInfo : public SystemInfo {
 public:
  std::wstring GetEnvironment(const std::wstring& name) override;
  uint64_t TotalPhysicalMemory() override;
  // The host has no product type: always "".
  std::wstring ProductType() override;
  // The language of LC_ALL, LC_MESSAGES or LANG (first one set) as a Windows
  // language identifier in its primary form (de_DE.UTF-8 gives 0x0407);
  // English (0x0409) when unset or unknown.
  uint16_t UserDefaultLanguage() override;
  // TMPDIR, else /tmp, with a trailing "/".
  std::wstring TempDirectory() override;
  std::wstring ProgramFolder() override;
};

// Windows language identifier of a POSIX locale name such as "de_DE.UTF-8".
uint16_t LanguageIdOfLocale(const std::string& locale);

}  // namespace orvane
