// Staging lists towards a Windows and out of one, and the copy step against
// real cabinet and LZ files. (The network class registration:
// InstallCandidate.WhatTheSetupClassAdds.)
#include "install/staging.h"

#include <gtest/gtest.h>

#include "inf/inf_test_support.h"
#include "platform/memory/memory_file_system.h"
#include "support/host_platform.h"
#include "support/scratch_folder.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

SystemProfile Windows(const std::wstring& windowsDir) {
  SystemProfile profile = inf_test::Profile(L"AMD64", L"10.0");
  profile.windows_dir = windowsDir;
  profile.program_files = L"X:\\Program Files";
  return profile;
}

std::wstring ListText(const StagingList& list) {
  std::wstring text;
  for (const StagingEntry& entry : list) text += entry.source + L" -> " + entry.destination + L"\n";
  return text;
}

TEST(StageDriverFiles, ListsEveryFileOnceWhereTheInfPutsIt) {
  MemoryFileSystem files;
  // A folder name holding "," and "|" stays whole.
  const std::wstring pack = L"/p/a,b|c";
  files.AddFile(pack + L"/acme.inf", inf_test::Utf16Le(
      L"[DestinationDirs]\r\nApp.Files = 16422,%VendorDir%\r\nApp.Files = 11\r\nDrv.Files = 12\r\n"
      L"[Install.NTamd64]\r\nCopyFiles = Drv.Files, App.Files, @solo.sys, @SOLO.SYS\r\n"
      L"CopyINF = \"extra.inf\", , extra.inf\r\n"
      L"[Install.NTamd64.Services]\r\nAddService = acme,2,Svc\r\nAddService = st,2,Svc2\r\n"
      L"[Install.NTamd64.CoInstallers]\r\nCopyFiles = Co.Files, drv.files\r\n"
      L"[ClassInstall32.NTamd64]\r\nCopyFiles = Class.Files\r\n"
      L"[ClassInstall32]\r\nCopyFiles = Wrong.Files\r\n"
      L"[Svc]\r\nServiceBinary = %12%\\acme.sys\r\n[Svc2]\r\nServiceBinary = %13%\\store.sys\r\n"
      L"[Drv.Files]\r\nacme.sys\r\nxa.sys\r\na.sys\r\n"
      L"[App.Files]\r\n\"tool.exe\",tool_src.exe\r\n"
      L"[Co.Files]\r\nco.dll\r\nA.SYS\r\n[Class.Files]\r\nclass.dll\r\n[Wrong.Files]\r\nwrong.dll\r\n"
      L"[SourceDisksNames.amd64]\r\n1 = \"Disk\",,,\\x64\\\r\n[SourceDisksFiles]\r\nacme.sys = 1\r\n"
      L"[Strings]\r\nVendorDir = \"Acme Tools\"\r\n"));
  files.AddFile(pack + L"/more.inf", "[DestinationDirs]\nDefaultDestDir = 12\n"
                                     "[M]\nCopyFiles = @a.sys, @new.sys\n");

  StagingList list;
  StageDriverFiles(files, Windows(L"X:\\Windows"), pack, L"acme.inf", L"Install.NTamd64,", &list);
  StageDriverFiles(files, Windows(L"X:\\Windows"), pack, L"more.inf", L"M,", &list);
  const std::wstring p = pack + L"\\";
  EXPECT_EQ(ListText(list),
            p + L"acme.inf -> X:\\Windows\\inf\\acme.inf\n" +
            p + L"extra.inf -> X:\\Windows\\inf\\extra.inf\n" +
            p + L"x64\\acme.sys -> X:\\Windows\\System32\\Drivers\\acme.sys\n" +
            p + L"store.sys -> X:\\Windows\\System32\\DriverStore\\FileRepository\\%13%\\store.sys\n" +
            p + L"solo.sys -> X:\\Windows\\System32\\solo.sys\n" +
            p + L"xa.sys -> X:\\Windows\\System32\\Drivers\\xa.sys\n" +
            p + L"a.sys -> X:\\Windows\\System32\\Drivers\\a.sys\n" +
            p + L"tool_src.exe -> X:\\Program Files\\Acme Tools\\tool.exe\n" +
            p + L"co.dll -> X:\\Windows\\System32\\co.dll\n" +
            p + L"class.dll -> X:\\Windows\\System32\\class.dll\n" +
            p + L"more.inf -> X:\\Windows\\inf\\more.inf\n" +
            p + L"new.sys -> X:\\Windows\\System32\\Drivers\\new.sys\n");
  // Each INF is read once per call.
  EXPECT_EQ(files.read_count(), 2u);
}

TEST(StageExportFiles, StaysInsideTheExportFolderAndCarriesTheCatalog) {
  MemoryFileSystem files;
  files.AddFile(L"X:/Windows/inf/oem3.inf",
                "[Version]\nCatalogFile.NTamd64 = \"acme64.cat\" ; comment\nCatalogFile = acme.cat\n"
                "[DestinationDirs]\nDefaultDestDir = 13\nUp.Files = 12\n"
                "[Install.NTamd64]\nAddService = svc,2,Svc\nCopyFiles = @drv.sys, Up.Files\n"
                "CopyINF = ..\\..\\evil.inf, sub.inf\n"
                "[Svc]\nServiceBinary = %13%\\drv.sys\n"
                "[Up.Files]\nup.sys\nevil.sys\nok.sys\n"
                "[SourceDisksNames]\n1 = \"Disk\",,,\\x64\\\n2 = d,,,\"..\\..\"\n"
                "[SourceDisksFiles]\ndrv.sys = 1\nup.sys = 1,..\nevil.sys = 2\n");
  files.AddFile(L"X:/Windows/System32/CatRoot/{F750E6C3-38EE-11D1-85E5-00C04FC295EE}/oem3.cat", "c");
  StagingList list;
  StageExportFiles(files, Windows(L"X:\\Windows"), L"oem3.inf", L"Install.NTamd64,",
                   L"acme.inf_amd64_1", L"X:\\DRVTemp", &list);
  EXPECT_EQ(ListText(list),
            L"X:\\Windows\\inf\\oem3.inf -> X:\\DRVTemp\\oem3.inf\n"
            L"X:\\Windows\\System32\\DriverStore\\FileRepository\\acme.inf_amd64_1\\drv.sys"
            L" -> X:\\DRVTemp\\x64\\drv.sys\n"
            L"X:\\Windows\\inf\\sub.inf -> X:\\DRVTemp\\sub.inf\n"
            L"X:\\Windows\\System32\\Drivers\\ok.sys -> X:\\DRVTemp\\ok.sys\n"
            L"X:\\Windows\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\oem3.cat"
            L" -> X:\\DRVTemp\\acme64.cat\n");
}

// The copy step on the real file system, with the host's expansion: libmspack
// natively, the system's setup library under Windows.
TEST(CopyStagedFiles, ExpandsCompressedFilesAndLeavesCopiesWritable) {
  std::unique_ptr<FileSystem> files = MakeHostFileSystem();
  std::unique_ptr<Decompressor> decompressor = MakeHostDecompressor();
  ScratchFolder scratch;
  const std::wstring src = scratch.path() + L"\\src\\";
  const std::wstring dst = scratch.path() + L"\\dst\\";
  ASSERT_TRUE(files->CreateDirectories(src));
  for (const char* name : {"drv.sy_", "cabbed.sys", "lzdrv.sy_", "both.sys", "both.sy_"}) {
    ASSERT_TRUE(files->WriteFile(src + Utf8ToWide(name),
                                 inf_test::ReadDataFile(std::string("staging/") + name)))
        << name;
  }
  ASSERT_TRUE(files->WriteFile(src + L"ro.cat", "read-only catalog"));
  ASSERT_TRUE(files->SetAttributes(src + L"ro.cat", kAttributeReadOnly));

  const StagingList list = {
      {src + L"drv.sys", dst + L"deep\\er\\drv.sys"},  // only the cabinet drv.sy_ exists
      {src + L"cabbed.sys", dst + L"cabbed.sys"},      // a cabinet under a plain name
      {src + L"lzdrv.sys", dst + L"lzdrv.sys"},
      {src + L"both.sys", dst + L"both.sys"},          // the compressed form wins
      {src + L"ro.cat", dst + L"copy.cat"},
      {src + L"missing.sys", dst + L"missing.sys"},
  };
  CopyStagedFiles(*files, *decompressor, list);

  std::string copies;  // each copy's bytes and its read-only and system attributes
  for (const wchar_t* name :
       {L"deep\\er\\drv.sys", L"cabbed.sys", L"lzdrv.sys", L"both.sys", L"copy.cat", L"missing.sys"}) {
    std::string bytes;
    uint32_t attributes = 0;
    const bool copied = files->ReadFile(dst + name, &bytes) && files->GetAttributes(dst + name, &attributes);
    copies += copied ? bytes + " " + std::to_string(attributes & (kAttributeReadOnly | kAttributeSystem)) + "|" : "-|";
  }
  EXPECT_EQ(
      "CABINET PAYLOAD OF DRV\r\n 0|CABINET WITH A PLAIN NAME\r\n 0|LZ PAYLOAD OF LZDRV lzlzlzlzlzlzlzlzlzlzlz\r\n 0|"
      "COMPRESSED BOTH bothbothbothboth\r\n 0|read-only catalog 0|-|",
      copies);
}

}  // namespace
}  // namespace orvane
