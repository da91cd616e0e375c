// The archiver of the host (7zz) behind the Windows command lines, and the
// install of a candidate out of real .zip and .7z packages through it.
#ifndef _WIN32
#include "platform/posix/posix_archiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "install/install_candidate.h"
#include "support/install_machine.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kDevice[] = L"PCI\\VEN_8086&DEV_15B8\\3&0&FE";

struct ArchiverScene : InstallMachine {
  PosixArchiver archiver7z{[this](const std::wstring& path) { return files.InnerPath(path); }};
  InstallServices native{registry, files, system, devices, storage, storage, clock,
                         decompressor, components, installer, archiver7z, cancel, log};

  ArchiverScene() {
    LoadUiTexts(0x0409);
    devices.AddDevice(kDevice, 28);
  }

  // The test package under X:\src\net\orvtest, a second driver under
  // X:\src\storage\other, packed into X:\Packages\drivers.<type>.
  std::wstring Pack(const std::wstring& type) {
    std::unique_ptr<FileSystem> host = MakeHostFileSystem();
    for (const wchar_t* name : {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"}) {
      std::string bytes;
      host->ReadFile(std::wstring(ORVANE_TEST_DATA_DIR L"/drivers/orvtest/") + name, &bytes);
      WriteFile(std::wstring(L"X:\\src\\net\\orvtest\\") + name, bytes);
    }
    WriteFile(L"X:\\src\\storage\\other\\other.inf", "[Version]\r\n");
    files.CreateDirectories(L"X:\\Packages");
    const std::wstring package = L"X:\\Packages\\drivers." + type;
    archiver7z.RunAndWait(L"X:\\Tools\\7z.exe", L"a -t" + type + L" \"" + package + L"\" \"X:\\src\\net\" \"X:\\src\\storage\"",
                          L"", kShowHidden, cancel);
    return package;
  }

  CandidateRecord Candidate(const std::wstring& package) {
    CandidateRecord candidate;
    candidate.match.description = L"Orvane Test Network Adapter";
    candidate.match.instance_id = LowerText(kDevice);
    candidate.match.install_section = L"orvtest_install.NT";
    candidate.match.setup_class = L"Net";
    candidate.package_path = package;
    candidate.unpack_folder = L"X:\\orvane_dps";
    candidate.subfolder = L"net\\orvtest\\";
    candidate.inf_path = L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf";
    return candidate;
  }
};

TEST(PosixArchiver, WindowsPathsOfTheCommandLineBecomeHostPaths) {
  PosixArchiver archiver([](const std::wstring& path) {
    return StartsWith(path, L"X:") ? L"/host/x" + path.substr(2) : std::wstring();
  });
  EXPECT_EQ((std::vector<std::string>{"x", "/host/x/Packages/a b.zip", "-aoa", "-r", "-ssw", "net/orvtest/*.*",
                                      "-o/host/x/orvane_dps", "-ssc-"}),
            archiver.HostArguments(DriverUnpackParameters(L"X:\\Packages\\a b.zip", L"net\\orvtest\\", L"X:\\orvane_dps")));
  EXPECT_EQ((std::vector<std::string>{"x", "Q:/p.7z", "-aoa", "-r", "-ssw", "*.inf", "-o/host/x/dps", "-ssc-"}),
            archiver.HostArguments(InfUnpackParameters(L"Q:\\p.7z", L"X:\\dps")));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b c"}), SplitCommandLine(L" a \"\"  \"b c\" "));
}

TEST(PosixArchiver, InstallsACandidateFromZipAnd7zPackages) {
  for (const std::wstring type : {L"zip", L"7z"}) {
    SCOPED_TRACE(type);
    ArchiverScene scene;
    const std::wstring package = scene.Pack(type);
    ASSERT_TRUE(scene.files.FileExists(package));
    EXPECT_EQ(kInstallOk, InstallCandidate(scene.native, scene.view, scene.Profile(),
                                           CandidateText(scene.Candidate(package))));
    ASSERT_EQ(1u, scene.installer.Installs().size());
    // Only the INF's own subfolder was unpacked, with its folders.
    for (const wchar_t* name : {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"}) {
      EXPECT_TRUE(scene.files.FileExists(std::wstring(L"X:\\orvane_dps\\net\\orvtest\\") + name)) << name;
    }
    EXPECT_FALSE(scene.files.DirectoryExists(L"X:\\orvane_dps\\storage"));
  }
}

TEST(PosixArchiver, UnreadablePackagesAndAMissingArchiverFailTheInstall) {
  ArchiverScene scene;
  scene.WriteFile(L"X:\\Packages\\broken.zip", "PK\x03\x04 not really a package");
  EXPECT_EQ(kCandidateUnusable, InstallCandidate(scene.native, scene.view, scene.Profile(),
                                                 CandidateText(scene.Candidate(L"X:\\Packages\\broken.zip"))));
  const std::wstring package = scene.Pack(L"zip");
  scene.files.DeleteFile(L"X:\\Tools\\7z.exe");
  EXPECT_EQ(kCandidateUnusable, InstallCandidate(scene.native, scene.view, scene.Profile(),
                                                 CandidateText(scene.Candidate(package))));
  EXPECT_TRUE(scene.installer.Installs().empty());
  EXPECT_TRUE(EndsWith(Utf8ToWide(scene.LogBytes()), L"Installation failed\r\n\r\n"));
}

TEST(PosixArchiver, AnArchiverThatHangsIsEndedByTheCancel) {
  ArchiverScene scene;
  // Stands in for an archiver that never ends: it leaves a mark, then waits.
  const std::wstring mark = scene.scratch / L"running";
  const std::wstring script = scene.scratch / L"hanging-archiver";
  scene.scratch.files().WriteFile(script, "#!/bin/sh\ntouch '" + WideToUtf8(mark) + "'\nexec sleep 600\n");
  ASSERT_EQ(0, system(("chmod +x '" + WideToUtf8(script) + "'").c_str()));
  PosixArchiver hanging([&scene](const std::wstring& path) { return scene.files.InnerPath(path); }, WideToUtf8(script));
  InstallServices services{scene.registry, scene.files,  scene.system,  scene.devices, scene.storage,
                           scene.storage,  scene.clock,  scene.decompressor, scene.components, scene.installer,
                           hanging,        scene.cancel, scene.log};

  std::atomic<bool> returned{false};
  std::thread escape([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!returned && !scene.scratch.files().FileExists(mark) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    scene.cancel.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  const int result = InstallCandidate(services, scene.view, scene.Profile(),
                                      CandidateText(scene.Candidate(L"X:\\Packages\\drivers.zip")));
  returned = true;
  escape.join();
  EXPECT_TRUE(scene.scratch.files().FileExists(mark)) << "the stand-in archiver did not start";
  EXPECT_EQ(kInstallCancelled, result);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_TRUE(scene.installer.Installs().empty());
  // Nothing is started once the run has been ended.
  EXPECT_EQ(0u, hanging.RunAndWait(L"X:\\Tools\\7z.exe", L"x", L"", kShowHidden, scene.cancel));
}

}  // namespace
}  // namespace orvane
#endif
