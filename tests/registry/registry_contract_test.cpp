// One suite for every registry implementation: the access layer over the
// in-memory registry always, and over the real registry on Windows builds
// (below a scratch key of the current user that is removed afterwards).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
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
  // Removes a key tree below HKEY_CURRENT_USER after a test.
  std::function<void(Registry&, const std::wstring&)> remove;
};

std::vector<Backend> Backends() {
  std::vector<Backend> backends;
  backends.push_back({"Memory", [] { return std::make_unique<MemoryRegistry>(); },
                      [](Registry&, const std::wstring&) {}});
#ifdef _WIN32
  backends.push_back({"Windows", [] { return std::make_unique<WindowsRegistry>(); },
                      [](Registry& registry, const std::wstring& path) {
                        static_cast<WindowsRegistry&>(registry).DeleteTree(kHkeyCurrentUser,
                                                                          path);
                      }});
#endif
  return backends;
}

class RegistryContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    registry_ = GetParam().make();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info->name();
    test = test.substr(0, test.find('/'));
    base_ = L"Software\\OrvaneTest-" + std::to_wstring(ProcessId()) + L"\\" +
            std::wstring(test.begin(), test.end());
  }

  void TearDown() override {
    GetParam().remove(*registry_, L"Software\\OrvaneTest-" + std::to_wstring(ProcessId()));
  }

  static long ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return 0;
#endif
  }

  std::wstring Path(const std::wstring& sub) const { return sub.empty() ? base_ : base_ + L"\\" + sub; }

  std::wstring Read(const std::wstring& sub, const std::wstring& name, int* status) {
    RegStatus byte = 0xEE;
    std::wstring text = ReadRegValue(*registry_, &byte, L"hkcu", Path(sub), name);
    *status = byte;
    return text;
  }

  // Raw bytes through the platform interface, bypassing the access layer.
  // The buffer continues with non-NUL characters: the platform adds a string
  // terminator that a caller left out when the next character in memory is
  // NUL, and that must not make malformed data look well-formed.
  void PutRaw(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> buffer(bytes);
    buffer.insert(buffer.end(), {'Z', 'Z', 'Z', 'Z'});
    Registry::Key key = 0;
    ASSERT_EQ(registry_->CreateKey(kHkeyCurrentUser, base_, kKeyAllAccess, &key), kRegOk);
    EXPECT_EQ(registry_->SetValue(key, name, type, buffer.data(), static_cast<uint32_t>(bytes.size())),
              kRegOk);
    registry_->CloseKey(key);
  }

  bool GetRaw(const std::wstring& name, uint32_t* type, std::vector<uint8_t>* bytes) {
    Registry::Key key = 0;
    if (registry_->OpenKey(kHkeyCurrentUser, base_, kKeyRead, &key) != kRegOk) return false;
    uint32_t size = 0;
    const long result = registry_->QueryValue(key, name, type, &size, bytes);
    registry_->CloseKey(key);
    return result == kRegOk;
  }

  std::vector<uint8_t> WriteAndGetRaw(int32_t type, const std::wstring& text) {
    EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"v", type, text), 0);
    uint32_t stored_type = 0;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(GetRaw(L"v", &stored_type, &bytes));
    EXPECT_EQ(stored_type, static_cast<uint32_t>(type));
    return bytes;
  }

  std::unique_ptr<Registry> registry_;
  std::wstring base_;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

TEST_P(RegistryContract, StatusCodesTellMissingKeyValueAndDefaultApart) {
  int status = -1;
  EXPECT_EQ(Read(L"", L"x", &status), L"");
  EXPECT_EQ(status, 1) << "key does not exist";

  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"x", kRegSz, L"text"), 0);
  EXPECT_EQ(Read(L"", L"x", &status), L"text");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(L"", L"missing", &status), L"");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Read(L"", L"", &status), L"");
  EXPECT_EQ(status, 3) << "default value not set";

  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"", kRegSz, L"default"), 0);
  EXPECT_EQ(Read(L"", L"", &status), L"default");
  EXPECT_EQ(status, 0);

  // Exactly one byte is stored through the pointer; no pointer is fine.
  uint8_t wide[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  ReadRegValue(*registry_, &wide[0], L"hkcu", base_, L"missing");
  EXPECT_EQ(wide[0], 2);
  EXPECT_EQ(wide[1], 0xAA);
  EXPECT_EQ(wide[3], 0xAA);
  EXPECT_EQ(ReadRegValue(*registry_, nullptr, L"hkcu", base_, L"x"), L"text");
  EXPECT_EQ(EnumRegSubKey(*registry_, nullptr, L"hkcu", base_, 1), L"");
}

TEST_P(RegistryContract, RootNamesIgnoreCaseAndOnlySevenAreAccepted) {
  for (const wchar_t* root : {L"hklm", L"HKLM", L"hkcr", L"HkCr", L"hkcu", L"hku", L"HKU",
                              L"hkcc", L"hklm64", L"HKLM64", L"hkcu64", L"HKCU64"}) {
    RegStatus status = 9;
    ReadRegValue(*registry_, &status, root, L"", L"OrvaneNoSuchValue");
    EXPECT_EQ(status, 2) << "root " << std::string(root, root + wcslen(root));
  }

  ASSERT_EQ(WriteRegValue(*registry_, L"HKCU", base_, L"v", kRegSz, L"same hive"), 0);
  for (const wchar_t* root : {L"hkcu", L"hKcU", L"hkcu64"}) {
    RegStatus status = 9;
    EXPECT_EQ(ReadRegValue(*registry_, &status, root, base_, L"v"), L"same hive");
    EXPECT_EQ(status, 0);
  }

  for (const wchar_t* root : {L"HKEY_CURRENT_USER", L"", L"hkcu ", L"hkey"}) {
    RegStatus status = 9;
    EXPECT_EQ(ReadRegValue(*registry_, &status, root, base_, L"v"), L"");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(WriteRegValue(*registry_, root, base_ + L"\\new", L"v", kRegSz, L"x"), 1);
    EXPECT_EQ(WriteRegValue(*registry_, root, base_ + L"\\new", L"", 0, L""), 1);
    status = 9;
    EXPECT_EQ(EnumRegSubKey(*registry_, &status, root, L"Software", 1), L"");
    EXPECT_EQ(status, 1);
  }
  RegStatus status = 9;
  ReadRegValue(*registry_, &status, L"hkcu", base_ + L"\\new", L"");
  EXPECT_EQ(status, 1) << "a refused root must not create anything";
}

TEST_P(RegistryContract, OnlyOneLeadingBackslashIsDropped) {
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\" + base_ + L"\\k", L"v", kRegSz, L"x"), 0);
  int status = -1;
  EXPECT_EQ(Read(L"k", L"v", &status), L"x");
  EXPECT_EQ(status, 0);

  RegStatus byte = 9;
  EXPECT_EQ(ReadRegValue(*registry_, &byte, L"hkcu", L"\\\\" + base_ + L"\\k", L"v"), L"");
  EXPECT_NE(byte, 0);
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\\\" + base_ + L"\\k2", L"v", kRegSz, L"x"), 1);
}

TEST_P(RegistryContract, StringsRoundTripWithTheirTerminator) {
  EXPECT_EQ(WriteAndGetRaw(kRegSz, L"ab"), Bytes({'a', 0, 'b', 0, 0, 0}));
  EXPECT_EQ(WriteAndGetRaw(kRegSz, L""), Bytes({0, 0}));
  EXPECT_EQ(WriteAndGetRaw(kRegExpandSz, L"%SystemRoot%\\x"),
            RegStringBytes(L"%SystemRoot%\\x"));

  int status = -1;
  EXPECT_EQ(Read(L"", L"v", &status), L"%SystemRoot%\\x") << "read unexpanded";
  EXPECT_EQ(status, 0);

  const std::wstring umlauts = L"Ger\u00e4t \u00fc\u00df \u20ac";
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"u", kRegSz, umlauts), 0);
  EXPECT_EQ(Read(L"", L"u", &status), umlauts);

  // Stored text ends at its first NUL, also when the data holds more.
  PutRaw(L"raw", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
  EXPECT_EQ(Read(L"", L"raw", &status), L"a");
  // Data written without a terminator still reads completely.
  PutRaw(L"bare", kRegSz, Bytes({'a', 0, 'b', 0}));
  EXPECT_EQ(Read(L"", L"bare", &status), L"ab");
  PutRaw(L"empty", kRegSz, {});
  EXPECT_EQ(Read(L"", L"empty", &status), L"");
  EXPECT_EQ(status, 0);
}

TEST_P(RegistryContract, DwordReadsSignedAndWritesFromHexOrTheIntegerRule) {
  int status = -1;
  EXPECT_EQ(WriteAndGetRaw(kRegDword, L"-1"), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Read(L"", L"v", &status), L"-1");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(WriteAndGetRaw(kRegDword, L"0"), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Read(L"", L"v", &status), L"0");

  struct Case {
    const wchar_t* text;
    const wchar_t* read_back;
  };
  for (const Case& c : {Case{L"0x10", L"16"}, Case{L"16", L"16"}, Case{L"abc", L"0"},
                        Case{L"4294967297", L"1"}, Case{L"0X1F", L"31"}, Case{L"$1f", L"31"},
                        Case{L"%101", L"5"}, Case{L" \t42x", L"42"}, Case{L"2147483648", L"-2147483648"},
                        Case{L"0xFFFFFFFF", L"-1"}, Case{L"0x", L"0"}, Case{L"", L"0"}}) {
    ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"d", kRegDword, c.text), 0);
    EXPECT_EQ(Read(L"", L"d", &status), c.read_back) << "written as " << testing::PrintToString(std::wstring(c.text));
  }

  // A DWORD value of unusual length: too long does not fit the 32-bit read.
  PutRaw(L"long", kRegDword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Read(L"", L"long", &status), L"");
  EXPECT_EQ(status, 1);
}

TEST_P(RegistryContract, BinaryIsUpperCaseHexBothWays) {
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"000FA0"), Bytes({0x00, 0x0F, 0xA0}));
  int status = -1;
  EXPECT_EQ(Read(L"", L"v", &status), L"000FA0");
  EXPECT_EQ(status, 0);

  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"0A1"), Bytes({0x0A})) << "odd last character ignored";
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L""), Bytes({0x00})) << "at least one byte";
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"abcd"), Bytes({0xAB, 0xCD}));
  EXPECT_EQ(Read(L"", L"v", &status), L"ABCD");
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"zz1g7F"), Bytes({0x00, 0x01, 0x7F}));

  PutRaw(L"none", kRegBinary, {});
  EXPECT_EQ(Read(L"", L"none", &status), L"");
  EXPECT_EQ(status, 0);
}

TEST_P(RegistryContract, MultiStringsJoinWithLineFeeds) {
  EXPECT_EQ(WriteAndGetRaw(kRegMultiSz, L"a\nb"), Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  int status = -1;
  EXPECT_EQ(Read(L"", L"v", &status), L"a\nb");
  EXPECT_EQ(status, 0);

  EXPECT_EQ(WriteAndGetRaw(kRegMultiSz, L""), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Read(L"", L"v", &status), L"");
  EXPECT_EQ(status, 0);

  // Empty strings inside the list survive; trailing ones do not.
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"v", kRegMultiSz, L"a\n\nb\n\n"), 0);
  EXPECT_EQ(Read(L"", L"v", &status), L"a\n\nb");

  PutRaw(L"empty", kRegMultiSz, {});
  EXPECT_EQ(Read(L"", L"empty", &status), L"");
  EXPECT_EQ(status, 0);
}

TEST_P(RegistryContract, MalformedMultiStringIsNeverReadPastItsData) {
  int status = -1;
  // The last string lacks its NUL: the walk ends at the last complete one.
  PutRaw(L"unterminated", kRegMultiSz, Bytes({'a', 0, 0, 0, 'b', 0}));
  EXPECT_EQ(Read(L"", L"unterminated", &status), L"a");
  EXPECT_EQ(status, 0);
  PutRaw(L"no_nul", kRegMultiSz, Bytes({'x', 0, 'y', 0, 'z', 0}));
  EXPECT_EQ(Read(L"", L"no_nul", &status), L"");
  EXPECT_EQ(status, 0);
  PutRaw(L"odd", kRegMultiSz, Bytes({'a', 0, 0, 0, 'b'}));
  EXPECT_EQ(Read(L"", L"odd", &status), L"a");
  PutRaw(L"single_nul", kRegMultiSz, Bytes({0, 0}));
  EXPECT_EQ(Read(L"", L"single_nul", &status), L"");
}

TEST_P(RegistryContract, OtherTypesReadAsStatusOneAndAreNeverWritten) {
  int status = -1;
  PutRaw(L"q", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Read(L"", L"q", &status), L"");
  EXPECT_EQ(status, 1);
  PutRaw(L"n", kRegNone, Bytes({1, 2}));
  EXPECT_EQ(Read(L"", L"n", &status), L"");
  EXPECT_EQ(status, 1);
  PutRaw(L"be", 5, Bytes({0, 0, 0, 1}));
  EXPECT_EQ(Read(L"", L"be", &status), L"");
  EXPECT_EQ(status, 1);

  // The key is made all the same; no value appears.
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\other", L"q", kRegQword, L"1"), 1);
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\other", L"q", 6, L"1"), 1);
  EXPECT_EQ(Read(L"other", L"q", &status), L"");
  EXPECT_EQ(status, 2);
}

TEST_P(RegistryContract, LargeValuesReadCompletely) {
  std::wstring big(100000, L'x');
  for (size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<wchar_t>(L'a' + i % 26);
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"big", kRegSz, big), 0);
  int status = -1;
  EXPECT_EQ(Read(L"", L"big", &status), big);
  EXPECT_EQ(status, 0);

  std::wstring list;
  for (int i = 0; i < 5000; ++i) {
    if (i) list += L'\n';
    list += L"entry" + std::to_wstring(i);
  }
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"list", kRegMultiSz, list), 0);
  EXPECT_EQ(Read(L"", L"list", &status), list);

  std::wstring hex;
  for (int i = 0; i < 40000; ++i) hex += L"0123456789ABCDEF"[i % 16];
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_, L"bin", kRegBinary, hex), 0);
  EXPECT_EQ(Read(L"", L"bin", &status), hex);
}

TEST_P(RegistryContract, WritingCreatesTheKeyAndEveryParent) {
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\a\\b\\c", L"", 0, L"ignored"), 0);
  int status = -1;
  Read(L"a\\b\\c", L"", &status);
  EXPECT_EQ(status, 3) << "key made, no value written";
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\a\\b\\c", L"", 0, L""), 0)
      << "existing key";
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\x\\y", L"v", kRegDword, L"7"), 0);
  EXPECT_EQ(Read(L"x\\y", L"v", &status), L"7");
  RegStatus byte = 9;
  EXPECT_EQ(EnumRegSubKey(*registry_, &byte, L"hkcu", base_ + L"\\a", 1), L"b");
  EXPECT_EQ(byte, 0);
}

TEST_P(RegistryContract, EnumerationVisitsEachSubkeyOnceThenEnds) {
  for (const wchar_t* name : {L"Beta", L"alpha", L"Gamma"}) {
    ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\" + name, L"", 0, L""), 0);
  }
  std::vector<std::wstring> seen;
  RegStatus status = 9;
  for (int32_t index = 1; index <= 3; ++index) {
    seen.push_back(EnumRegSubKey(*registry_, &status, L"hkcu", base_, index));
    EXPECT_EQ(status, 0);
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"alpha", L"Beta", L"Gamma"}));
  for (int32_t index : {4, 0, -1, 1000}) {
    status = 9;
    EXPECT_EQ(EnumRegSubKey(*registry_, &status, L"hkcu", base_, index), L"");
    EXPECT_EQ(status, 2) << index;
  }
  status = 9;
  EXPECT_EQ(EnumRegSubKey(*registry_, &status, L"hkcu", base_ + L"\\missing", 1), L"");
  EXPECT_EQ(status, 1);
}

TEST_P(RegistryContract, NamesIgnoreCaseAndKeepTheFirstSpelling) {
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\KeyName", L"MixedCase", kRegSz, L"1"), 0);
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\KEYNAME", L"MIXEDCASE", kRegSz, L"2"), 0);
  int status = -1;
  EXPECT_EQ(Read(L"keyname", L"mixedcase", &status), L"2");
  RegStatus byte = 9;
  EXPECT_EQ(EnumRegSubKey(*registry_, &byte, L"hkcu", base_, 1), L"KeyName");
  EnumRegSubKey(*registry_, &byte, L"hkcu", base_, 2);
  EXPECT_EQ(byte, 2) << "one key, not two";
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
  const std::wstring longest(255, L'n');
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\" + longest, L"", 0, L""), 0);
  RegStatus status = 9;
  EXPECT_EQ(EnumRegSubKey(*registry_, &status, L"hkcu", base_, 1), L"");
  EXPECT_EQ(status, 2);
  const std::wstring fits(254, L'm');
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", base_ + L"\\" + fits, L"", 0, L""), 0);
  EXPECT_EQ(EnumRegSubKey(*registry_, &status, L"hkcu", base_, 1), fits);
  EXPECT_EQ(status, 0);
}

TEST_P(RegistryContract, HiveFailuresAndPrivileges) {
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", true));
  EXPECT_NE(registry_->LoadHive(L"OrvaneTestHive", L"C:\\orvane-no-such-dir\\SYSTEM"), kRegOk);
  EXPECT_NE(registry_->UnloadHive(L"OrvaneTestHiveNotLoaded"), kRegOk);
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", false));
  EXPECT_FALSE(registry_->SetPrivilege(L"SeNoSuchThingPrivilege", true));
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryContract, ::testing::ValuesIn(Backends()),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace orvane
