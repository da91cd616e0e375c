// The archiver of the host (7zz) behind the Windows command lines. Installs
// out of real .zip and .7z packages through it: sources/driver_sources_test.cpp.
#ifndef _WIN32
#include "platform/posix/posix_archiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "install/install_candidate.h"
#include "support/install_machine.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

TEST(PosixArchiver, WindowsPathsOfTheCommandLineBecomeHostPaths) {
  PosixArchiver archiver([](const std::wstring& path) {
    return StartsWith(path, L"X:") ? L"/host/x" + path.substr(2) : std::wstring();
  });
  EXPECT_EQ(
      (std::vector<std::string>{"x", "/host/x/Packages/a b.zip", "-aoa", "-r", "-ssw", "net/orvtest/*.*",
                                "-o/host/x/orvane_dps", "-ssc-"}),
      archiver.HostArguments(DriverUnpackParameters(L"X:\\Packages\\a b.zip", L"net\\orvtest\\", L"X:\\orvane_dps")));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b c"}), SplitCommandLine(L" a \"\"  \"b c\" "));
}

// Escape while the archiver unpacks a candidate's package ends the archiver
// and the install.
TEST(PosixArchiver, AnArchiverThatHangsIsEndedByTheCancelAndAMissingOneNeverStarts) {
  InstallMachine machine;
  machine.devices.AddDevice(kTestDevice, 28);
  // Stands in for an archiver that never ends: it leaves a mark, then waits
  // (asked to list, it ends at once).
  const std::wstring mark = machine.scratch / L"running";
  const std::wstring script = machine.scratch / L"hanging-archiver";
  machine.scratch.files().WriteFile(script, "#!/bin/sh\ntouch '" + WideToUtf8(mark) + "'\n[ \"$1\" = l ] || exec sleep 600\n");
  ASSERT_EQ(0, std::system(("chmod +x '" + WideToUtf8(script) + "'").c_str()));
  PosixArchiver hanging([&machine](const std::wstring& path) { return machine.files.InnerPath(path); }, WideToUtf8(script));

  CancellationToken token;
  hanging.RunAndWait(L"X:\\Tools\\missing.exe", L"l", L"", kShowHidden, token);
  EXPECT_FALSE(machine.scratch.files().FileExists(mark)) << "started without the archiver beside the program";

  machine.archiver.on_run = [&hanging](const RecordingArchiver::Call& call, CancellationToken& cancel) {
    hanging.RunAndWait(call.file, call.parameters, call.directory, call.show_mode, cancel);
  };
  std::atomic<bool> returned{false};
  std::thread escape([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!returned && !machine.scratch.files().FileExists(mark) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    machine.cancel.Cancel();
  });
  const auto start = std::chrono::steady_clock::now();
  const int result = InstallCandidateFor(InstallCaller::Unattended, machine.services, machine.view, machine.Profile(),
                                         TestDriverCandidate(true));
  returned = true;
  escape.join();
  EXPECT_EQ(kInstallCancelled, result);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  // Nothing installed, nothing more reported.
  EXPECT_TRUE(machine.installer.Installs().empty());
  EXPECT_EQ(L"\r\n Driver found ( Orvane Test Network Adapter )\r\nDecompress driver..., please wait", machine.view.log());
  // Nothing is started once the run has been ended.
  machine.scratch.files().DeleteFile(mark);
  hanging.RunAndWait(L"X:\\Tools\\7z.exe", L"l", L"", kShowHidden, machine.cancel);
  EXPECT_FALSE(machine.scratch.files().FileExists(mark));
}

}  // namespace
}  // namespace orvane
#endif
