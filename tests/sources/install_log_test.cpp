#include "sources/install_log.h"

#include <gtest/gtest.h>

#include <string>

#include "support/recording_view.h"
#include "support/simulated_machine.h"

namespace orvane {
namespace {

struct LogScene {
  SimulatedMachine machine;
  InstallLog log;
  RecordingView view;

  LogScene() {
    machine.AddDrive(L"X", kDriveRamDisk, L"Boot");
    machine.RunningSystem(L"X:\\Windows", L"AMD64", L"10.0", L"19041");
  }
  std::string FileBytes() {
    std::string bytes;
    machine.files.ReadFile(L"X:\\Orvane.log", &bytes);
    return bytes;
  }
};

TEST(InstallLog, HeaderAndLinesAreExactUtf8WithCrLf) {
  LogScene scene;
  ASSERT_TRUE(scene.log.Open(scene.machine.files, scene.machine.system.TempDirectory()));
  EXPECT_EQ(L"X:\\Orvane.log", scene.log.Path());
  const SystemProfile running = ReadRunningProfile(scene.machine.registry, scene.machine.system);
  WriteUnattendedHeader(scene.log, scene.view, L"2.0.3.2", running, LocalDate{6, 12, 2026});
  scene.log.LogAppend(L"- Found - \r\nNetzwerkger\u00E4t \u201EM\u00FCller\u201C \u2013 \u6F22");
  scene.log.LogAppend(L"successfully installed\r\n");
  scene.log.Close();
  scene.log.LogAppend(L"after the close");

  const std::string expected =
      "\r\nOrvane V.2.0.3.2\r\n"
      "Orvane driver installer for WinPE\r\n"
      "Date: Day:6 Month:12 Year:2026\r\n"
      "\r\nWinPE: Win 10 (64 Bit)\r\n\r\n"
      "- Found - \r\nNetzwerkger\xC3\xA4t \xE2\x80\x9EM\xC3\xBCller\xE2\x80\x9C \xE2\x80\x93 \xE6\xBC\xA2\r\n"
      "successfully installed\r\n\r\n";
  EXPECT_EQ(expected, scene.FileBytes());
  EXPECT_EQ(L"\r\nWinPE: Win 10 (64 Bit)", scene.view.log());
}

TEST(InstallLog, EachRunReplacesTheFileEvenWhenReadOnly) {
  LogScene scene;
  ASSERT_TRUE(scene.machine.WriteFile(L"X:\\Orvane.log", "old run\r\n"));
  ASSERT_TRUE(scene.machine.files.SetAttributes(L"X:\\Orvane.log", kAttributeReadOnly));
  ASSERT_TRUE(scene.log.Open(scene.machine.files, L"X:\\Windows\\TEMP\\"));
  scene.log.LogAppend(L"second run");
  EXPECT_EQ("second run\r\n", scene.FileBytes());
  ASSERT_TRUE(scene.log.Open(scene.machine.files, L"x:\\temp"));
  scene.log.LogAppend(L"third run");
  EXPECT_EQ("third run\r\n", scene.FileBytes());
}

TEST(InstallLog, NoFileMeansNoWritesAndNoFailure) {
  LogScene scene;
  // A temporary directory without a drive, and one on a drive that cannot
  // be written (not mapped here): the log stays closed, appends do nothing.
  for (const std::wstring temp : {L"", L"\\\\server\\share\\", L"Q:\\Temp\\"}) {
    EXPECT_FALSE(scene.log.Open(scene.machine.files, temp)) << temp;
    EXPECT_FALSE(scene.log.IsOpen());
    scene.log.LogAppend(L"lost");
  }
  EXPECT_EQ("", scene.FileBytes());
  EXPECT_EQ(L"", LogFilePath(L"X"));
}

}  // namespace
}  // namespace orvane
