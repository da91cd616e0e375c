// The source chooser window over a real folder tree in the temporary folder.
#include "ui/source_chooser.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/windows_file_system.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"
#include "ui/skin_frame.h"

namespace orvane {
namespace {

std::wstring TextOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

RECT RectIn(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void WriteFileText(const std::wstring& path, const char* text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(file);
}

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
    WriteFileText(root_ + L"storage.INF", "[Version]\r\n");
    WriteFileText(root_ + L"lan.zip", "PK");
    WriteFileText(root_ + L"readme.txt", "text");
    WriteFileText(root_ + L"Net\\x64\\e1.inf", "[Version]\r\n");
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
  EXPECT_EQ(L"Orvane", TextOf(chooser.window()));
  EXPECT_TRUE(GetWindowLongPtrW(chooser.window(), GWL_STYLE) & WS_CAPTION);
  RECT client{};
  GetClientRect(chooser.window(), &client);
  EXPECT_EQ(460, client.right);
  EXPECT_EQ(400, client.bottom);

  struct Place {
    int id, x, y, w, h;
    std::wstring text;
  };
  const Place places[] = {
      {kChooserCaption, 10, 10, 170, 20, UiText(TxtChooseSource)},
      {kChooserPath, 10, 30, 370, 22, Kept(root_)},
      {kChooserList, 10, 65, 440, 250, L""},
      {kChooserFilter, 90, 325, 290, 20, UiText(TxtSourceFilter)},
      {kChooserOk, 275, 365, 70, 22, UiText(TxtOk)},
      {kChooserCancel, 350, 365, 70, 22, UiText(TxtCancel)},
  };
  for (const Place& place : places) {
    SCOPED_TRACE(place.id);
    HWND control = chooser.control(place.id);
    ASSERT_NE(nullptr, control);
    const RECT rect = RectIn(control, chooser.window());
    EXPECT_EQ(place.x, rect.left);
    EXPECT_EQ(place.y, rect.top);
    EXPECT_EQ(place.w, rect.right - rect.left);
    EXPECT_EQ(place.h, rect.bottom - rect.top);
    EXPECT_TRUE(EqualsNoCase(place.text, TextOf(control))) << TextOf(control);
  }
  const RECT type = RectIn(chooser.control(kChooserTypeLabel), chooser.window());
  EXPECT_EQ(30, type.left);
  EXPECT_EQ(327, type.top);
  EXPECT_EQ(UiText(TxtFileType), TextOf(chooser.control(kChooserTypeLabel)));
  EXPECT_TRUE(GetWindowLongPtrW(chooser.control(kChooserFilter), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(200, ListView_GetColumnWidth(chooser.control(kChooserList), 0));
}

TEST_F(SourceChooserTest, ListsFoldersAndDriverFilesAndMovesThroughFolders) {
  SourceChooser& chooser = Open(root_);
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"audio", L"Net", L"lan.zip", L"storage.INF"}), ListedNames());

  Activate(2);  // Net
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net"), chooser.folder()));
  EXPECT_TRUE(EqualsNoCase(chooser.folder(), TextOf(chooser.control(kChooserPath))));
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"x64"}), ListedNames());

  Activate(0);  // back up
  EXPECT_TRUE(EqualsNoCase(Kept(root_), chooser.folder()));
  EXPECT_FALSE(chooser.done());

  // A typed folder is listed without the field being rewritten.
  const std::wstring typed = root_ + L"net\\X64";
  SetWindowTextW(chooser.control(kChooserPath), typed.c_str());
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net\\x64"), chooser.folder()));
  EXPECT_EQ(typed, TextOf(chooser.control(kChooserPath)));
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"e1.inf"}), ListedNames());
  // A folder that does not exist leaves the list where it is.
  SetWindowTextW(chooser.control(kChooserPath), (root_ + L"nowhere").c_str());
  EXPECT_TRUE(EqualsNoCase(Kept(root_ + L"Net\\x64"), chooser.folder()));

  // Double-click on a file chooses it.
  Activate(1);
  ASSERT_TRUE(chooser.done());
  EXPECT_TRUE(EqualsNoCase(root_ + L"Net\\x64\\e1.inf", chooser.result())) << chooser.result();
}

TEST_F(SourceChooserTest, OkReturnsTheSelectionOrTheFolder) {
  {
    SourceChooser& chooser = Open(root_);
    Select(3);  // lan.zip
    Press(kChooserOk);
    ASSERT_TRUE(chooser.done());
    EXPECT_TRUE(EqualsNoCase(root_ + L"lan.zip", chooser.result()));
  }
  {
    SourceChooser& chooser = Open(root_);
    Select(1);  // a subfolder is returned as a path
    Press(kChooserOk);
    EXPECT_TRUE(EqualsNoCase(root_ + L"audio", chooser.result()));
  }
  {
    SourceChooser& chooser = Open(root_ + L"audio");
    Press(kChooserOk);  // nothing selected: the folder itself
    EXPECT_TRUE(EqualsNoCase(root_ + L"audio", chooser.result()));
  }
  {
    SourceChooser& chooser = Open(root_);
    Select(2);
    Press(kChooserCancel);
    ASSERT_TRUE(chooser.done());
    EXPECT_EQ(L"", chooser.result());
  }
  {
    SourceChooser& chooser = Open(root_);
    SendMessageW(chooser.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(chooser.done());
    EXPECT_EQ(L"", chooser.result());
  }
}

TEST_F(SourceChooserTest, ComputerFolderListsTheDrives) {
  SourceChooser& chooser = Open(kComputerFolder);
  EXPECT_EQ((std::vector<std::wstring>{L"C:", L"Z:"}), ListedNames());
  EXPECT_EQ(L"", TextOf(chooser.control(kChooserPath)));
  Press(kChooserOk);  // the computer itself is no source
  EXPECT_FALSE(chooser.done());
  Select(1);
  Press(kChooserOk);
  ASSERT_TRUE(chooser.done());
  EXPECT_EQ(L"Z:\\", chooser.result());

  // A start folder that is gone opens the computer folder.
  SourceChooser& again = Open(root_ + L"gone");
  EXPECT_EQ(kComputerFolder, again.folder());
  Activate(0);
  EXPECT_EQ(L"C:\\", again.folder());
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
