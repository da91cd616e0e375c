// One suite for every registry implementation: the access layer over the
// in-memory registry always, and over the real registry on Windows builds
// (below a scratch key of the current user that is removed afterwards).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "registry/registry_access.h"

#ifdef _WIN32
#include <process.h>

#include "platform/windows/windows_registry.h"
#endif

namespace orvane {
namespace {

struct Backend {
  std::string name;
  std::function<std::unique_ptr<Registry>()> make;
};

std::vector<Backend> Backends() {
  std::vector<Backend> backends{{"Memory", [] { return std::make_unique<MemoryRegistry>(); }}};
#ifdef _WIN32
  backends.push_back({"Windows", [] { return std::make_unique<WindowsRegistry>(); }});
#endif
  return backends;
}

std::wstring ScratchKey() {
#ifdef _WIN32
  return L"Software\\OrvaneTest-" + std::to_wstring(_getpid());
#else
  return L"Software\\OrvaneTest-0";
#endif
}

// Bytes as upper-case hex pairs separated by blanks ("61 00"), and back.
std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes)
    text += (text.empty() ? "" : " ") + std::string(1, "0123456789ABCDEF"[byte >> 4]) + "0123456789ABCDEF"[byte & 15];
  return text;
}
std::vector<uint8_t> Bytes(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 3)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

class RegistryContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    registry_ = GetParam().make();
    base_ = ScratchKey() + L"\\Contract";
  }
  void TearDown() override {
#ifdef _WIN32
    if (auto* windows = dynamic_cast<WindowsRegistry*>(registry_.get()))
      windows->DeleteTree(kHkeyCurrentUser, ScratchKey());
#endif
  }

  std::wstring Path(const std::wstring& sub) const { return sub.empty() ? base_ : base_ + L"\\" + sub; }

  // A read as "text#status", anywhere or below the scratch key.
  std::wstring Read(const std::wstring& root, const std::wstring& path, const std::wstring& name) {
    RegStatus status = 0xEE;
    const std::wstring text = ReadRegValue(*registry_, &status, root, path, name);
    return text + L"#" + std::to_wstring(status);
  }
  std::wstring Get(const std::wstring& sub, const std::wstring& name, const std::wstring& root = L"hkcu") {
    return Read(root, Path(sub), name);
  }
  std::wstring Enum(const std::wstring& path, int32_t index) {
    RegStatus status = 0xEE;
    const std::wstring text = EnumRegSubKey(*registry_, &status, L"hkcu", path, index);
    return text + L"#" + std::to_wstring(status);
  }
  int Put(const std::wstring& sub, const std::wstring& name, int32_t type, const std::wstring& text) {
    return WriteRegValue(*registry_, L"hkcu", Path(sub), name, type, text);
  }

  // Raw bytes through the platform interface, bypassing the access layer.
  // The buffer continues with non-NUL characters: the platform adds a string
  // terminator that a caller left out when the next character in memory is
  // NUL, and that must not make malformed data look well-formed.
  void PutRaw(const std::wstring& name, uint32_t type, const std::string& hex) {
    std::vector<uint8_t> buffer = Bytes(hex);
    const uint32_t size = static_cast<uint32_t>(buffer.size());
    buffer.insert(buffer.end(), {'Z', 'Z', 'Z', 'Z'});
    Registry::Key key = 0;
    ASSERT_EQ(registry_->CreateKey(kHkeyCurrentUser, base_, kKeyAllAccess, &key), kRegOk);
    EXPECT_EQ(registry_->SetValue(key, name, type, buffer.data(), size), kRegOk);
    registry_->CloseKey(key);
  }

  // Writes through the access layer and returns the stored bytes as hex,
  // after the type they were stored with.
  std::string WriteAndGetRaw(int32_t type, const std::wstring& text) {
    EXPECT_EQ(Put(L"", L"v", type, text), 0);
    Registry::Key key = 0;
    uint32_t stored_type = 0, size = 0;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(registry_->OpenKey(kHkeyCurrentUser, base_, kKeyRead, &key), kRegOk);
    EXPECT_EQ(registry_->QueryValue(key, L"v", &stored_type, &size, &bytes), kRegOk);
    registry_->CloseKey(key);
    return std::to_string(stored_type) + ":" + Hex(bytes);
  }

  std::unique_ptr<Registry> registry_;
  std::wstring base_;
};

TEST_P(RegistryContract, StatusCodesTellMissingKeyValueAndDefaultApart) {
  EXPECT_EQ(Get(L"", L"x"), L"#1");  // key does not exist
  ASSERT_EQ(Put(L"", L"x", kRegSz, L"text"), 0);
  EXPECT_EQ(Get(L"", L"x"), L"text#0");
  EXPECT_EQ(Get(L"", L"missing"), L"#2");
  EXPECT_EQ(Get(L"", L""), L"#3");  // default value not set
  ASSERT_EQ(Put(L"", L"", kRegSz, L"default"), 0);
  EXPECT_EQ(Get(L"", L""), L"default#0");
  // No status pointer is fine.
  EXPECT_EQ(ReadRegValue(*registry_, nullptr, L"hkcu", base_, L"x"), L"text");
  EXPECT_EQ(EnumRegSubKey(*registry_, nullptr, L"hkcu", base_, 1), L"");
}

// Root names ignore case and only seven are accepted; one leading "\" of a
// path is dropped, not two.
TEST_P(RegistryContract, RootNamesAndLeadingBackslash) {
  for (const wchar_t* root : {L"hklm", L"HKLM", L"hkcr", L"HkCr", L"hkcu", L"hku", L"HKU", L"hkcc", L"hklm64",
                              L"HKLM64", L"hkcu64", L"HKCU64"})
    EXPECT_EQ(Read(root, L"", L"OrvaneNoSuchValue"), L"#2") << root;
  ASSERT_EQ(WriteRegValue(*registry_, L"HKCU", base_, L"v", kRegSz, L"same hive"), 0);
  for (const wchar_t* root : {L"hkcu", L"hKcU", L"hkcu64"}) EXPECT_EQ(Get(L"", L"v", root), L"same hive#0");

  for (const wchar_t* root : {L"HKEY_CURRENT_USER", L"", L"hkcu ", L"hkey"}) {
    EXPECT_EQ(Get(L"", L"v", root), L"#1");
    EXPECT_EQ(WriteRegValue(*registry_, root, base_ + L"\\new", L"v", kRegSz, L"x"), 1);
  }
  EXPECT_EQ(Get(L"new", L""), L"#1") << "a refused root must not create anything";

  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\" + base_ + L"\\k", L"v", kRegSz, L"x"), 0);
  EXPECT_EQ(Read(L"hkcu", L"\\" + base_ + L"\\k", L"v") + Get(L"k", L"v"), L"x#0x#0");
  EXPECT_EQ(Read(L"hkcu", L"\\\\" + base_ + L"\\k", L"v"), L"#1");
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\\\" + base_ + L"\\k2", L"v", kRegSz, L"x"), 1);
}

// What the access layer stores for a text of each type, and reads back.
TEST_P(RegistryContract, ValueTextsAreStoredAndReadBackPerType) {
  struct Case {
    int32_t type;
    const wchar_t* text;
    const char* stored;
    const wchar_t* read_back;
  };
  // The rows of a type share lines.
  // clang-format off
  const std::vector<Case> cases = {
      {kRegSz, L"ab", "61 00 62 00 00 00", L"ab"}, {kRegSz, L"", "00 00", L""},
      {kRegSz, L"G\u00e4 \u20ac", "47 00 E4 00 20 00 AC 20 00 00", L"G\u00e4 \u20ac"},
      {kRegExpandSz, L"%windir%", "25 00 77 00 69 00 6E 00 64 00 69 00 72 00 25 00 00 00", L"%windir%"},  // unexpanded
      // Hex after "0x" or "0X", else the shared integer rule (tests/text); the low 32 bits, read signed.
      {kRegDword, L"-1", "FF FF FF FF", L"-1"}, {kRegDword, L"0x10", "10 00 00 00", L"16"},
      {kRegDword, L"0X1F", "1F 00 00 00", L"31"}, {kRegDword, L"$1f", "1F 00 00 00", L"31"},
      {kRegDword, L"0x", "00 00 00 00", L"0"}, {kRegDword, L"4294967297", "01 00 00 00", L"1"},
      {kRegDword, L"2147483648", "00 00 00 80", L"-2147483648"}, {kRegDword, L"0xFFFFFFFF", "FF FF FF FF", L"-1"},
      {kRegBinary, L"000FA0", "00 0F A0", L"000FA0"}, {kRegBinary, L"abcd", "AB CD", L"ABCD"},
      {kRegBinary, L"0A1", "0A", L"0A"} /* odd last digit ignored */, {kRegBinary, L"", "00", L"00"} /* one byte */,
      {kRegBinary, L"zz1g7F", "00 01 7F", L"00017F"}, {kRegMultiSz, L"", "00 00 00 00", L""},
      {kRegMultiSz, L"a\nb", "61 00 00 00 62 00 00 00 00 00", L"a\nb"},
      // Every string is written; empty ones inside the list are read back, trailing ones not.
      {kRegMultiSz, L"a\n\nb\n\n", "61 00 00 00 00 00 62 00 00 00 00 00 00 00 00 00", L"a\n\nb"}};
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(WriteAndGetRaw(c.type, c.text), std::to_string(c.type) + ":" + c.stored)
        << c.type << " '" << c.text << "'";
    EXPECT_EQ(Get(L"", L"v"), c.read_back + std::wstring(L"#0")) << c.type << " '" << c.text << "'";
  }
  // Other types make the key but never a value.
  EXPECT_EQ(Put(L"other", L"q", kRegQword, L"1"), 1);
  EXPECT_EQ(Get(L"other", L"q"), L"#2");
}

// Stored data as other writers leave it: strings without a terminator or
// with text after it, malformed lists (the walk ends at the last complete
// string), sizes that do not fit, and types the layer does not read.
TEST_P(RegistryContract, RawDataIsNeverReadPastItsEnd) {
  struct Case {
    uint32_t type;
    const char* bytes;
    const wchar_t* read;
  };
  // The rows of a type share lines.
  // clang-format off
  const std::vector<Case> cases = {
      {kRegSz, "61 00 00 00 62 00 00 00", L"a#0"}, {kRegSz, "61 00 62 00", L"ab#0"}, {kRegSz, "", L"#0"},
      {kRegDword, "01 00 00 00 00 00 00 00", L"#1"}, {kRegBinary, "", L"#0"}, {kRegMultiSz, "", L"#0"},
      {kRegMultiSz, "61 00 00 00 62 00", L"a#0"}, {kRegMultiSz, "78 00 79 00 7A 00", L"#0"},
      {kRegMultiSz, "61 00 00 00 62", L"a#0"}, {kRegMultiSz, "00 00", L"#0"},
      {kRegQword, "01 00 00 00 00 00 00 00", L"#1"}, {kRegNone, "01 02", L"#1"}, {5, "00 00 00 01", L"#1"}};
  // clang-format on
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::wstring name = L"v" + std::to_wstring(i);
    PutRaw(name, cases[i].type, cases[i].bytes);
    EXPECT_EQ(Get(L"", name), cases[i].read) << cases[i].type << " " << cases[i].bytes;
  }
}

// Every type takes the same way through the platform: one value stands for them.
TEST_P(RegistryContract, LargeValuesReadCompletely) {
  std::wstring big(100000, L'x');
  for (size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_EQ(Put(L"", L"v", kRegSz, big), 0);
  EXPECT_EQ(Get(L"", L"v"), big + L"#0");
}

// Writing makes the key and every parent; enumeration visits each subkey
// once, in name order whatever the case, under the first spelling.
TEST_P(RegistryContract, KeysAreMadeWithTheirParentsAndEnumeratedOnce) {
  EXPECT_EQ(Put(L"a\\b\\c", L"", 0, L"ignored"), 0);
  EXPECT_EQ(Get(L"a\\b\\c", L""), L"#3") << "key made, no value written";
  EXPECT_EQ(Put(L"a\\b\\c", L"", 0, L""), 0) << "existing key";
  EXPECT_EQ(Enum(base_ + L"\\a", 1), L"b#0");
  for (const wchar_t* name : {L"Beta", L"alpha", L"BETA", L"Gamma"}) ASSERT_EQ(Put(name, L"V", kRegSz, name), 0);
  EXPECT_EQ(Get(L"beta", L"v"), L"BETA#0");
  EXPECT_EQ(Enum(base_, 1) + Enum(base_, 2) + Enum(base_, 3) + Enum(base_, 4), L"a#0alpha#0Beta#0Gamma#0");
  for (int32_t index : {5, 0, -1, 1000}) EXPECT_EQ(Enum(base_, index), L"#2") << index;
  EXPECT_EQ(Enum(base_ + L"\\missing", 1), L"#1");
}

TEST_P(RegistryContract, PlatformRulesTheLayerReliesOn) {
  Registry::Key key = 0;
  EXPECT_NE(registry_->OpenKey(0, L"Software", kKeyRead, &key), kRegOk);
  EXPECT_EQ(key, 0u);
  EXPECT_NE(registry_->OpenKey(0x80000009u, L"", kKeyRead, &key), kRegOk);
  ASSERT_EQ(registry_->CreateKey(kHkeyCurrentUser, base_, kKeyAllAccess, &key), kRegOk);
  registry_->CloseKey(key);
  ASSERT_EQ(registry_->OpenKey(kHkeyCurrentUser, base_, kKeyRead, &key), kRegOk);
  const uint8_t data[] = {'x', 0, 0, 0};
  EXPECT_EQ(registry_->SetValue(key, L"v", kRegSz, data, 4), kRegAccessDenied)
      << "a key opened for reading refuses writes";
  std::wstring name;
  EXPECT_EQ(registry_->EnumKey(key, 0, &name), kRegNoMoreItems);
  registry_->CloseKey(key);

  // A subkey name of 255 characters does not fit the 255-character buffer.
  ASSERT_EQ(Put(std::wstring(255, L'n'), L"", 0, L""), 0);
  EXPECT_EQ(Enum(base_, 1), L"#2");
  ASSERT_EQ(Put(std::wstring(254, L'm'), L"", 0, L""), 0);
  EXPECT_EQ(Enum(base_, 1), std::wstring(254, L'm') + L"#0");

  // Hives that cannot be loaded or unloaded; privileges the system does not know.
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", true));
  EXPECT_NE(registry_->LoadHive(L"OrvaneTestHive", L"C:\\orvane-no-such-dir\\SYSTEM"), kRegOk);
  EXPECT_NE(registry_->UnloadHive(L"OrvaneTestHiveNotLoaded"), kRegOk);
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", false));
  EXPECT_FALSE(registry_->SetPrivilege(L"SeNoSuchThingPrivilege", true));
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryContract, ::testing::ValuesIn(Backends()),
                         [](const ::testing::TestParamInfo<Backend>& info) { return info.param.name; });

}  // namespace
}  // namespace orvane
