// The source chooser window over a real folder tree in the temporary folder.
#include "ui/source_chooser.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/windows_file_system.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"
#include "support/win32_test_support.h"

namespace orvane {
namespace {

using namespace win32_test;

class SourceChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadUiTexts(0x0409);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"orvane_chooser_" + DecimalText(GetCurrentProcessId()) + L"\\";
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

  std::vector<std::wstring> ListedNames() {
    std::vector<std::wstring> names;
    HWND list = chooser_->control(kChooserList);
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
      wchar_t name[MAX_PATH] = {};
      ListView_GetItemText(list, i, 0, name, MAX_PATH);
      names.push_back(name);
    }
    return names;
  }

  void Activate(int index) {
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = chooser_->control(kChooserList);
    activate.hdr.idFrom = kChooserList;
    activate.hdr.code = LVN_ITEMACTIVATE;
    activate.iItem = index;
    SendMessageW(chooser_->window(), WM_NOTIFY, kChooserList, reinterpret_cast<LPARAM>(&activate));
  }

  void Select(int index) {
    ListView_SetItemState(chooser_->control(kChooserList), index, LVIS_SELECTED, LVIS_SELECTED);
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

TEST_F(SourceChooserTest, WindowHasItsControls) {
  SourceChooser& chooser = Open(root_);
  EXPECT_EQ(L"Orvane", WindowText(chooser.window()));
  EXPECT_TRUE(HasStyle(chooser.window(), WS_CAPTION));
  RECT client{};
  GetClientRect(chooser.window(), &client);
  EXPECT_EQ(L"0,0 460x400", Place(client));
  const struct {
    int id;
    const wchar_t* place;
    std::wstring text;
  } places[] = {
      {kChooserCaption, L"10,10 170x20", UiText(TxtChooseSource)}, {kChooserPath, L"10,30 370x22", Kept(root_)},
      {kChooserList, L"10,65 440x250", L""},  {kChooserFilter, L"90,325 290x20", UiText(TxtSourceFilter)},
      {kChooserOk, L"275,365 70x22", UiText(TxtOk)}, {kChooserCancel, L"350,365 70x22", UiText(TxtCancel)},
  };
  for (const auto& p : places) {
    HWND control = chooser.control(p.id);
    ASSERT_NE(nullptr, control) << p.id;
    EXPECT_EQ(p.place, Place(RectIn(control, chooser.window()))) << p.id;
    EXPECT_TRUE(EqualsNoCase(p.text, WindowText(control))) << WindowText(control);
  }
  const RECT type = RectIn(chooser.control(kChooserTypeLabel), chooser.window());
  EXPECT_EQ(L"30,327", std::to_wstring(type.left) + L"," + std::to_wstring(type.top));
  EXPECT_EQ(UiText(TxtFileType), WindowText(chooser.control(kChooserTypeLabel)));
  EXPECT_TRUE(HasStyle(chooser.control(kChooserFilter), ES_READONLY));
  EXPECT_EQ(200, ListView_GetColumnWidth(chooser.control(kChooserList), 0));
}

TEST_F(SourceChooserTest, ListsFoldersAndDriverFilesAndMovesThroughFolders) {
  SourceChooser& chooser = Open(root_);
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"audio", L"Net", L"lan.zip", L"storage.INF"}), ListedNames());

  Activate(2);  // Net
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net"), chooser.folder()));
  EXPECT_TRUE(EqualsNoCase(chooser.folder(), WindowText(chooser.control(kChooserPath))));
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"x64"}), ListedNames());

  Activate(0);  // back up
  EXPECT_TRUE(EqualsNoCase(Kept(root_), chooser.folder()));
  EXPECT_FALSE(chooser.done());

  // A typed folder is listed without the field being rewritten.
  const std::wstring typed = root_ + L"net\\X64";
  SetWindowTextW(chooser.control(kChooserPath), typed.c_str());
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net\\x64"), chooser.folder()));
  EXPECT_EQ(typed, WindowText(chooser.control(kChooserPath)));
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"e1.inf"}), ListedNames());
  // A folder that does not exist leaves the list where it is.
  SetWindowTextW(chooser.control(kChooserPath), (root_ + L"nowhere").c_str());
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net\\x64"), chooser.folder()));

  // Double-click on a file chooses it.
  Activate(1);
  ASSERT_TRUE(chooser.done());
  EXPECT_TRUE(EqualsNoCase(root_ + L"Net\\x64\\e1.inf", chooser.result())) << chooser.result();
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
  EXPECT_EQ(kComputerFolder, chooser.folder());
  EXPECT_EQ((std::vector<std::wstring>{L"C:", L"Z:"}), ListedNames());
  EXPECT_EQ(L"", WindowText(chooser.control(kChooserPath)));
  Press(kChooserOk);
  EXPECT_FALSE(chooser.done());
  Activate(0);
  EXPECT_EQ(L"C:\\", chooser.folder());
}

TEST_F(SourceChooserTest, RunModalReturnsWhenTheUserDecides) {
  SourceChooser& chooser = Open(root_);
  // The decision arrives as a posted click, as from the user.
  Select(4);
  PostMessageW(chooser.window(), WM_COMMAND, MAKEWPARAM(kChooserOk, BN_CLICKED),
               reinterpret_cast<LPARAM>(chooser.control(kChooserOk)));
  EXPECT_TRUE(EqualsNoCase(root_ + L"storage.INF", chooser.RunModal()));
  EXPECT_EQ(nullptr, chooser.window());
}

}  // namespace
}  // namespace orvane
