// Real driver INF files matched against the device lists of real machines,
// when the corpus is present. (That every record names a listed device and
// one of its identifiers, the match fuzz target checks for every input.)
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "inf/driver_match.h"
#include "inf/inf_test_support.h"
#include "sources/inf_tool.h"
#include "support/host_platform.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

using inf_test::Profile;

const wchar_t kVirtio[] = L"virtio-win__kvm-guest-drivers-windows/";

class CorpusMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = Utf8ToWide(ORVANE_CORPUS_DIR);
    if (!files_->DirectoryExists(root_ + L"/inf") || !files_->DirectoryExists(root_ + L"/devices"))
      GTEST_SKIP() << "no corpus at " << ORVANE_CORPUS_DIR;
    infs_ = CollectInfFiles(*files_, root_ + L"/inf");
    ASSERT_GE(infs_.size(), 50u);
  }

  // Every match of every INF for one device list (the corpus's devices file
  // has the tool's form), by the INF's path below the corpus's inf folder.
  std::map<std::wstring, std::vector<DriverMatch>> MatchAll(const std::wstring& list, const SystemProfile& profile) {
    std::string bytes;
    EXPECT_TRUE(files_->ReadFile(root_ + L"/devices/" + list, &bytes));
    const DeviceIdList devices = DeviceIdList::FromItems(ParseDevicesFile(bytes));
    std::map<std::wstring, std::vector<DriverMatch>> out;
    for (const std::wstring& inf : infs_) {
      std::vector<DriverMatch> found = MatchInfDevices(InfDocument::Load(*files_, inf), profile, devices);
      if (!found.empty()) out[ReplaceAll(inf.substr(root_.size() + 5), L"\\", L"/")] = found;
    }
    return out;
  }

  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  std::wstring root_;
  std::vector<std::wstring> infs_;
  const SystemProfile amd64_ = Profile(L"AMD64", L"10.0", L"19045", L"0409", L"1");
};

// The matches of one INF as "identifier|models decoration" each.
std::vector<std::wstring> Found(const std::map<std::wstring, std::vector<DriverMatch>>& found, const std::wstring& inf) {
  std::vector<std::wstring> out;
  auto it = found.find(inf);
  if (it != found.end())
    for (const DriverMatch& m : it->second) out.push_back(m.matched_id + L"|" + m.models_decoration);
  return out;
}

// The rules these cases show are proved one by one in driver_match_test.cpp
// (build parts, undecorated models, decorations as written, equal versions);
// here they meet in real files.
TEST_F(CorpusMatchTest, RealFilesOnRealMachines) {
  const auto desktop = MatchAll(L"desktop-pc.txt", amd64_);
  // Three [Manufacturer] lines with one key: only the NTamd64 one applies.
  EXPECT_EQ(std::vector<std::wstring>{L"usb\\vid_1a86&pid_7523|.NTamd64"},
            Found(desktop, L"JasonDean-1__Tools-Drivers/CH341SER.INF"));
  EXPECT_EQ(
      3u,
      MatchAll(L"desktop-pc.txt", Profile(L"x86", L"6.1", L"7601"))[L"JasonDean-1__Tools-Drivers/CH341SER.INF"].size());
  // Identifiers built from string tokens (USB\%DeviceID%).
  EXPECT_EQ(std::vector<std::wstring>{L"usb\\vid_0483&pid_df11|.NTamd64"},
            Found(desktop, L"pbatard__libwdi/libwdi/winusb.inf"));
  // A vendor and class identifier catches the board's SMBus controller.
  EXPECT_EQ(std::vector<std::wstring>{L"pci\\ven_8086&cc_0c0500|.NTamd64"},
            Found(desktop, kVirtio + std::wstring(L"Q35/SMBus/smbus.inf")));

  // machine.inf names 8086:0D57 in undecorated models only, which an amd64
  // system never uses; the two virtio devices are served.
  auto found = MatchAll(L"this-vm.txt", amd64_);
  EXPECT_EQ(2u, found.size());
  const std::vector<DriverMatch>& balloon = found[kVirtio + std::wstring(L"Balloon/sys/balloon.inf")];
  ASSERT_EQ(1u, balloon.size());
  EXPECT_EQ(
      L"VirtIO Balloon Driver\npci\\ven_1af4&dev_1045&subsys_10451af4&rev_01\\3&2b8e0b4b&0&08\n"
      L"pci\\ven_1af4&dev_1045\nballoon_device.NT\n.NTamd64\nRed Hat, Inc.\n01/01/2008\n0.0.0.1\nSystem",
      DriverMatchText(balloon[0]));
}

}  // namespace
}  // namespace orvane
