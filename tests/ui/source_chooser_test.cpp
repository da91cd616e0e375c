// The source chooser window over a real folder tree in the temporary folder.
#include "ui/source_chooser.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_system_info.h"
#include "support/win32_test_support.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

using namespace win32_test;

class SourceChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    root_ = WindowsSystemInfo().TempDirectory() + L"orvane_chooser_" + DecimalText(GetCurrentProcessId()) + L"\\";
    files_.DeleteTree(root_);
    ASSERT_TRUE(files_.CreateDirectories(root_ + L"Net\\x64"));
    ASSERT_TRUE(files_.CreateDirectories(root_ + L"audio"));
    for (const wchar_t* file : {L"storage.INF", L"lan.zip", L"readme.txt", L"Net\\x64\\e1.inf"})
      ASSERT_TRUE(files_.WriteFile(root_ + file, "x"));
  }

  void TearDown() override {
    chooser_.reset();
    files_.DeleteTree(root_);
  }

  SourceChooser& Open(const std::wstring& start) {
    chooser_ = std::make_unique<SourceChooser>(files_, std::vector<std::wstring>{L"c:\\", L"Z:\\"});
    EXPECT_TRUE(chooser_->Create(nullptr, UiText(TxtChooseSource), start, UiText(TxtSourceFilter)));
    return *chooser_;
  }

  // The folder, the path field and the names listed, as one text.
  std::wstring Shown() {
    std::wstring shown = chooser_->folder() + L"|" + WindowText(chooser_->control(kChooserPath)) + L"|";
    HWND list = chooser_->control(kChooserList);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      wchar_t name[MAX_PATH] = {};
      ListView_GetItemText(list, i, 0, name, MAX_PATH);
      shown += std::wstring(name) + L" ";
    }
    return shown;
  }

  void Activate(int index) {
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = chooser_->control(kChooserList);
    activate.hdr.idFrom = kChooserList;
    activate.hdr.code = LVN_ITEMACTIVATE;
    activate.iItem = index;
    SendMessageW(chooser_->window(), WM_NOTIFY, kChooserList, reinterpret_cast<LPARAM>(&activate));
  }

  void Press(int id) {
    SendMessageW(chooser_->window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(chooser_->control(id)));
  }

  // The folder as the chooser keeps it and shows it.
  std::wstring Kept(const std::wstring& folder) { return NormaliseSourceFolder(folder); }

  WindowsFileSystem files_;
  std::wstring root_;
  std::unique_ptr<SourceChooser> chooser_;
};

// Its texts (the caller's caption and filter, its own labels); its title, by
// which the real program's test finds it, and where the controls stand are
// not repeated here.
TEST_F(SourceChooserTest, ShowsItsTextsListsFoldersAndDriverFilesAndMovesThroughFolders) {
  SourceChooser& chooser = Open(root_);
  std::wstring texts;
  for (int id : {kChooserCaption, kChooserFilter, kChooserTypeLabel, kChooserOk, kChooserCancel})
    texts += WindowText(chooser.control(id)) + L"|";
  EXPECT_EQ(UiText(TxtChooseSource) + L"|" + UiText(TxtSourceFilter) + L"|" + UiText(TxtFileType) + L"|" +
                UiText(TxtOk) + L"|" + UiText(TxtCancel) + L"|",
            texts);
  EXPECT_EQ(Kept(root_) + L"|" + Kept(root_) + L"|.. audio Net lan.zip storage.INF ", Shown());

  Activate(2);  // Net
  EXPECT_EQ(Kept(root_ + L"Net") + L"|" + Kept(root_ + L"Net") + L"|.. x64 ", Shown());
  Activate(0);  // back up
  EXPECT_EQ(Kept(root_), chooser.folder());
  EXPECT_FALSE(chooser.done());

  // A typed folder is listed without the field being rewritten; one that does
  // not exist leaves the list where it is.
  const std::wstring typed = root_ + L"net\\X64";
  SetWindowTextW(chooser.control(kChooserPath), typed.c_str());
  EXPECT_EQ(Kept(typed) + L"|" + typed + L"|.. e1.inf ", Shown());
  SetWindowTextW(chooser.control(kChooserPath), (root_ + L"nowhere").c_str());
  EXPECT_EQ(Kept(typed), chooser.folder());

  // Double-click on a file chooses it.
  Activate(1);
  ASSERT_TRUE(chooser.done());
  EXPECT_EQ(Kept(typed) + L"e1.inf", chooser.result());
}

// Which path a choice gives is tested in tests/app/source_listing_test.cpp;
// here: the window ends with it, or with nothing on cancel and close.
TEST_F(SourceChooserTest, OkCancelAndCloseEndTheChoice) {
  for (int press : {int{kChooserOk}, int{kChooserCancel}, 0}) {
    SourceChooser& chooser = Open(root_ + L"audio");
    if (press) {
      Press(press);
    } else {
      SendMessageW(chooser.window(), WM_CLOSE, 0, 0);
    }
    ASSERT_TRUE(chooser.done());
    EXPECT_TRUE(EqualsNoCase(press == kChooserOk ? root_ + L"audio" : L"", chooser.result())) << chooser.result();
  }
  // The computer itself is no source; a start folder that is gone opens it.
  SourceChooser& chooser = Open(root_ + L"gone");
  EXPECT_EQ(std::wstring(kComputerFolder) + L"||C: Z: ", Shown());
  Press(kChooserOk);
  EXPECT_FALSE(chooser.done());
  Activate(0);
  EXPECT_EQ(L"C:\\", chooser.folder());
}

}  // namespace
}  // namespace orvane
