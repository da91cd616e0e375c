#include "registry/registry_access.h"

#include "text/text_helpers.h"

namespace orvane {
namespace {

struct RootKey {
  uint32_t handle;  // 0: not a predefined key, every open fails
  uint32_t view;    // added to the access mask
};

RootKey MapRoot(const std::wstring& name) {
  const std::wstring lower = LowerText(name);
  if (lower == L"hklm") return {kHkeyLocalMachine, 0};
  if (lower == L"hkcr") return {kHkeyClassesRoot, 0};
  if (lower == L"hkcu") return {kHkeyCurrentUser, 0};
  if (lower == L"hku") return {kHkeyUsers, 0};
  if (lower == L"hkcc") return {kHkeyCurrentConfig, 0};
  if (lower == L"hklm64") return {kHkeyLocalMachine, kKeyWow64_64Key};
  if (lower == L"hkcu64") return {kHkeyCurrentUser, kKeyWow64_64Key};
  return {0, 0};
}

// Only the first character, and only one.
std::wstring StripLeadingBackslash(const std::wstring& path) {
  if (!path.empty() && path[0] == L'\\') return path.substr(1);
  return path;
}

// Closes the key on every way out of an operation.
class KeyGuard {
 public:
  explicit KeyGuard(Registry& registry) : registry_(registry) {}
  ~KeyGuard() {
    if (key_ != 0) registry_.CloseKey(key_);
  }
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;
  Registry::Key* out() { return &key_; }
  Registry::Key get() const { return key_; }

 private:
  Registry& registry_;
  Registry::Key key_ = 0;
};

void AppendUtf16(std::vector<uint8_t>& out, const std::wstring& text) {
  for (wchar_t ch : text) {
    uint32_t code = static_cast<uint32_t>(ch);
    if (code > 0xFFFF && code <= 0x10FFFF) {  // only where wchar_t is 32 bits wide
      code -= 0x10000;
      const uint16_t high = static_cast<uint16_t>(0xD800 + (code >> 10));
      const uint16_t low = static_cast<uint16_t>(0xDC00 + (code & 0x3FF));
      out.push_back(static_cast<uint8_t>(high & 0xFF));
      out.push_back(static_cast<uint8_t>(high >> 8));
      out.push_back(static_cast<uint8_t>(low & 0xFF));
      out.push_back(static_cast<uint8_t>(low >> 8));
    } else {
      const uint16_t unit = static_cast<uint16_t>(code > 0xFFFF ? 0xFFFD : code);
      out.push_back(static_cast<uint8_t>(unit & 0xFF));
      out.push_back(static_cast<uint8_t>(unit >> 8));
    }
  }
}

uint16_t UnitAt(const std::vector<uint8_t>& data, size_t unit_index) {
  return static_cast<uint16_t>(data[2 * unit_index] | (data[2 * unit_index + 1] << 8));
}

// The characters from unit `begin` up to (not including) unit `end`.
std::wstring UnitsToText(const std::vector<uint8_t>& data, size_t begin, size_t end) {
  return Utf16LeText(data.data() + 2 * begin, 2 * (end - begin));
}

const wchar_t kHexDigits[] = L"0123456789ABCDEF";

int HexDigitValue(wchar_t ch) {
  if (ch >= L'0' && ch <= L'9') return ch - L'0';
  if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
  if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
  return -1;
}

uint32_t TextToDword(const std::wstring& text) {
  if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    return static_cast<uint32_t>(ReadInteger(L"$" + text.substr(2)));
  }
  return static_cast<uint32_t>(ReadInteger(text));
}

// Two characters per byte; at least one byte; an odd last character is ignored.
std::vector<uint8_t> TextToBinary(const std::wstring& text) {
  size_t count = text.size() / 2;
  if (count == 0) count = 1;
  std::vector<uint8_t> bytes(count, 0);
  for (size_t i = 0; i < count; ++i) {
    const int high = 2 * i < text.size() ? HexDigitValue(text[2 * i]) : -1;
    if (high < 0) continue;  // a pair that does not begin with a digit gives 0
    const int low = 2 * i + 1 < text.size() ? HexDigitValue(text[2 * i + 1]) : -1;
    bytes[i] = static_cast<uint8_t>(low < 0 ? high : high * 16 + low);
  }
  return bytes;
}

std::vector<uint8_t> MultiStringBytes(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  AppendUtf16(bytes, text);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == 0x0A && bytes[i + 1] == 0) bytes[i] = 0;
  }
  bytes.insert(bytes.end(), 4, 0);  // the list ends with two NULs
  return bytes;
}

// The strings of a REG_MULTI_SZ block joined by LF. The walk stays inside the
// data: a string without its terminating NUL at the end of the block (badly
// written data) is not taken, and an odd last byte is ignored.
std::wstring MultiStringText(const std::vector<uint8_t>& data) {
  const size_t units = data.size() / 2;
  std::wstring result;
  size_t offset = 0;
  while (offset < units) {
    size_t end = offset;
    while (end < units && UnitAt(data, end) != 0) ++end;
    if (end == units) break;
    result += UnitsToText(data, offset, end);
    result += L'\n';
    offset = end + 1;
  }
  while (!result.empty() && result.back() == L'\n') result.pop_back();
  return result;
}

std::wstring BinaryText(const std::vector<uint8_t>& data) {
  std::wstring result;
  result.reserve(data.size() * 2);
  for (uint8_t byte : data) {
    result += kHexDigits[byte >> 4];
    result += kHexDigits[byte & 0x0F];
  }
  return result;
}

}  // namespace

std::vector<uint8_t> RegStringBytes(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2 + 2);
  AppendUtf16(bytes, text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::wstring Utf16LeText(const uint8_t* data, size_t size) {
  std::wstring text;
  const size_t units = size / 2;
  text.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const uint32_t unit = static_cast<uint32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (sizeof(wchar_t) > 2 && unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
      const uint32_t next = static_cast<uint32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
      if (next >= 0xDC00 && next < 0xE000) {
        text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    text += static_cast<wchar_t>(unit);
  }
  return text;
}

std::wstring ReadRegValue(Registry& registry, RegStatus* status, const std::wstring& root,
                          const std::wstring& path, const std::wstring& name) {
  RegStatus outcome = 1;
  std::wstring result;
  const RootKey mapped = MapRoot(root);
  KeyGuard key(registry);
  if (registry.OpenKey(mapped.handle, StripLeadingBackslash(path), kKeyRead | mapped.view,
                       key.out()) == kRegOk) {
    uint32_t type = 0;
    uint32_t size = 0;
    std::vector<uint8_t> data;
    if (registry.QueryValue(key.get(), name, &type, &size, &data) != kRegOk) {
      outcome = name.empty() ? 3 : 2;
    } else {
      data.resize(size);
      switch (type) {
        case kRegSz:
        case kRegExpandSz: {
          size_t end = 0;
          while (end < size / 2 && UnitAt(data, end) != 0) ++end;
          result = UnitsToText(data, 0, end);
          // An odd last byte joins a zero byte, as in a zero-filled buffer.
          if (end == size / 2 && size % 2 == 1 && data[size - 1] != 0) {
            result += static_cast<wchar_t>(data[size - 1]);
          }
          outcome = 0;
          break;
        }
        case kRegDword:
          if (size <= 4) {  // a longer value does not fit the 32-bit read
            uint32_t value = 0;
            for (uint32_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
            result = DecimalText(static_cast<int32_t>(value));
            outcome = 0;
          }
          break;
        case kRegMultiSz:
          result = MultiStringText(data);
          outcome = 0;
          break;
        case kRegBinary:
          result = BinaryText(data);
          outcome = 0;
          break;
        default:
          break;  // status stays 1
      }
    }
  }
  if (status != nullptr) *status = outcome;
  return result;
}

int32_t WriteRegValue(Registry& registry, const std::wstring& root, const std::wstring& path,
                      const std::wstring& name, int32_t type, const std::wstring& data) {
  int32_t result = 1;
  const RootKey mapped = MapRoot(root);
  const std::wstring key_path = StripLeadingBackslash(path);
  KeyGuard key(registry);
  if (registry.OpenKey(mapped.handle, key_path, kKeyAllAccess | mapped.view, key.out()) ==
      kRegOk) {
    result = 0;
  } else if (registry.CreateKey(mapped.handle, key_path, kKeyAllAccess | mapped.view,
                                key.out()) == kRegOk) {
    result = 0;
  }
  if (type == 0) return result;

  result = 1;
  if (key.get() == 0) return result;
  std::vector<uint8_t> bytes;
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      bytes = RegStringBytes(data);
      break;
    case kRegDword: {
      const uint32_t value = TextToDword(data);
      bytes = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
               static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
      break;
    }
    case kRegMultiSz:
      bytes = MultiStringBytes(data);
      break;
    case kRegBinary:
      bytes = TextToBinary(data);
      break;
    default:
      return result;  // no other type is written
  }
  if (registry.SetValue(key.get(), name, static_cast<uint32_t>(type), bytes.data(),
                        static_cast<uint32_t>(bytes.size())) == kRegOk) {
    result = 0;
  }
  return result;
}

std::wstring EnumRegSubKey(Registry& registry, RegStatus* status, const std::wstring& root,
                           const std::wstring& path, int32_t index) {
  RegStatus outcome = 1;
  std::wstring result;
  const RootKey mapped = MapRoot(root);
  KeyGuard key(registry);
  if (registry.OpenKey(mapped.handle, StripLeadingBackslash(path), kKeyRead | mapped.view,
                       key.out()) == kRegOk) {
    outcome = 2;
    std::wstring name;
    if (index >= 1 &&
        registry.EnumKey(key.get(), static_cast<uint32_t>(index - 1), &name) == kRegOk) {
      result = name;
      outcome = 0;
    }
  }
  if (status != nullptr) *status = outcome;
  return result;
}

}  // namespace orvane
