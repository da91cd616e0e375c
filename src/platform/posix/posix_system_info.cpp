#include "platform/posix/posix_system_info.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "text/text_helpers.h"

namespace orvane {

namespace {

struct LanguageCode {
  const char* code;
  uint16_t primary;
};

// ISO 639-1 codes and the primary-language numbers Windows gives them.
constexpr LanguageCode kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18},
    {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E},
    {"tr", 0x1F}, {"uk", 0x22}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27},
};

}  // namespace

uint16_t LanguageIdOfLocale(const std::string& locale) {
  std::string code = locale.substr(0, locale.find_first_of("_.@"));
  for (const LanguageCode& language : kLanguages) {
    if (code == language.code) return static_cast<uint16_t>(0x0400 | language.primary);
  }
  return 0x0409;
}

std::wstring PosixSystemInfo::GetEnvironment(const std::wstring& name) {
  const char* value = std::getenv(WideToUtf8(name).c_str());
  return value ? Utf8ToWide(value) : std::wstring();
}

uint64_t PosixSystemInfo::TotalPhysicalMemory() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size);
}

std::wstring PosixSystemInfo::ProductType() { return std::wstring(); }

uint16_t PosixSystemInfo::UserDefaultLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return LanguageIdOfLocale(value);
  }
  return 0x0409;
}

std::wstring PosixSystemInfo::TempDirectory() {
  const char* value = std::getenv("TMPDIR");
  std::string path = value && *value ? value : "/tmp";
  if (path.back() != '/') path += '/';
  return Utf8ToWide(path);
}

std::wstring PosixSystemInfo::ProgramFolder() {
  std::string path(4096, '\0');
  ssize_t got = readlink("/proc/self/exe", &path[0], path.size());
  if (got <= 0 || static_cast<size_t>(got) >= path.size()) return std::wstring();
  path.resize(static_cast<size_t>(got));
  return Utf8ToWide(path.substr(0, path.rfind('/') + 1));
}

}  // namespace orvane
