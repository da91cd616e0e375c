// Lower-case mapping and ANSI decoding by the system's own text services.
#include <windows.h>

#include "text/text_helpers.h"

namespace orvane {

wchar_t LowerChar(wchar_t ch) {
  if (ch < 0x80) return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + 32) : ch;
  wchar_t buffer[1] = {ch};
  CharLowerBuffW(buffer, 1);
  return buffer[0];
}

std::wstring LowerText(const std::wstring& text) {
  std::wstring out(text);
  const size_t kSlice = 1u << 30;
  for (size_t offset = 0; offset < out.size(); offset += kSlice) {
    size_t len = out.size() - offset < kSlice ? out.size() - offset : kSlice;
    CharLowerBuffW(&out[offset], static_cast<DWORD>(len));
  }
  return out;
}

std::wstring DecodeAnsi(const char* bytes, size_t count) {
  if (count == 0) return std::wstring();
  std::wstring out;
  // Feed the conversion in slices that fit its int-sized lengths.
  const size_t kSlice = 1u << 30;
  for (size_t offset = 0; offset < count; offset += kSlice) {
    int len = static_cast<int>(count - offset < kSlice ? count - offset : kSlice);
    int need = MultiByteToWideChar(CP_ACP, 0, bytes + offset, len, nullptr, 0);
    if (need <= 0) continue;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(need));
    MultiByteToWideChar(CP_ACP, 0, bytes + offset, len, &out[at], need);
  }
  return out;
}

}  // namespace orvane
