#include "text/ui_texts.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(UiTextsTest, PrimaryLanguageSevenIsGermanEverythingElseEnglish) {
  for (uint16_t id : {0x0407, 0x0807, 0x0C07, 0x0007, 0xFC07}) {
    EXPECT_EQ(MakeUiTexts(id)[TxtCancel], L"Abbrechen") << std::hex << id;
  }
  for (uint16_t id : {0x0409, 0x040C, 0x0000, 0x0408, 0x0417, 0x0807 & 0xFC00, 0x0487}) {
    EXPECT_EQ(MakeUiTexts(id)[TxtCancel], L"Cancel") << std::hex << id;
  }
}

TEST(UiTextsTest, BlanksAtTheEndsArePartOfTheTexts) {
  const UiTexts en = MakeUiTexts(0x0409);
  const UiTexts de = MakeUiTexts(0x0407);
  EXPECT_EQ(en[TxtWinPeOnly], std::wstring(14, L' ') + L"For WinPE only");
  EXPECT_EQ(de[TxtWinPeOnly], std::wstring(5, L' ') + L"Nur unter WinPE starten");
  EXPECT_EQ(en[TxtNotWritableHead], L"Description of storage media  ");
  EXPECT_EQ(de[TxtNotWritableHead], L"Beschreiben des Datentr\u00e4gers ");
  EXPECT_EQ(en[TxtModeTitle], L"Install driver via: ");
  EXPECT_EQ(de[TxtModeTitle], L"Importmodus w\u00e4hlen");
  EXPECT_EQ(en[TxtModeHeading], L"Install Driver by:");
  EXPECT_EQ(de[TxtModeHeading], L"Treiber installieren \u00fcber: ");
  EXPECT_EQ(en[TxtWinPeArrow], L" -----> WinPE: ");
  EXPECT_EQ(en[TxtInstallDriver], L"Install driver..., please wait ");
  EXPECT_EQ(en[TxtFolderRule], L"-------------- Folder  ---------------------");
}

TEST(UiTextsTest, LineBreaksBackslashAndUmlauts) {
  const UiTexts en = MakeUiTexts(0x0409);
  const UiTexts de = MakeUiTexts(0x0407);
  EXPECT_EQ(en[TxtArchiverMissing], L"\\7z.exe not found\r\nProgram closed.");
  EXPECT_EQ(de[TxtArchiverMissing], L"\\7z.exe nicht gefunden\r\nProgramm beendet.");
  EXPECT_EQ(en[TxtNoWindowsHint],
            L"Info: No Windows Installation found. To install the driver,\r\n       select manual mode.");
  EXPECT_EQ(de[TxtNoWindowsHint],
            L"Info: Es wurde keine Windowsinstallation gefunden.\r\n"
            L"       Bitte zum Installieren der Treiber den manuellen Modus w\u00e4hlen.");
  EXPECT_EQ(de[TxtAlreadyRunning], L"L\u00e4uft bereits");
  EXPECT_EQ(de[TxtCheck], L"Pr\u00fcfe: ");
  EXPECT_EQ(de[TxtAllInstalled], L"Alle Ger\u00e4te installiert.");
  EXPECT_EQ(de[TxtBackWord], L"Zur\u00fcck");
  EXPECT_EQ(en[TxtNewPartitions], L" new Partition(s) %1 found.");
}

TEST(UiTextsTest, OnlyTheListedSlotsHoldText) {
  for (uint16_t id : {0x0409, 0x0407}) {
    const UiTexts texts = MakeUiTexts(id);
    int filled = 0;
    for (int slot = 0; slot < kUiTextSlotCount; ++slot) filled += texts[slot].empty() ? 0 : 1;
    EXPECT_EQ(filled, 74);
    EXPECT_EQ(texts[0], L"");
    EXPECT_EQ(texts[200], L"");
    EXPECT_EQ(texts[201], L"") << "past the table";
    EXPECT_EQ(texts[-1], L"");
  }
}

TEST(UiTextsTest, ProgramTableFollowsTheLastLoad) {
  LoadUiTexts(0x0807);
  EXPECT_EQ(UiText(TxtInstallOk), L"Installation erfolgreich");
  LoadUiTexts(0x0409);
  EXPECT_EQ(UiText(TxtInstallOk), L"Installation successfull");
  EXPECT_EQ(&ProgramUiTexts()[TxtInstallOk], &UiText(TxtInstallOk));
}

}  // namespace
}  // namespace orvane
