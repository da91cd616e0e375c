#include "text/ui_texts.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(UiTextsTest, PrimaryLanguageSevenIsGermanEverythingElseEnglish) {
  for (uint16_t id : {0x0407, 0x0807, 0x0C07, 0x0007, 0xFC07})
    EXPECT_EQ(MakeUiTexts(id)[TxtCancel], L"Abbrechen") << std::hex << id;
  for (uint16_t id : {0x0409, 0x040C, 0x0000, 0x0408, 0x0417, 0x0487})
    EXPECT_EQ(MakeUiTexts(id)[TxtCancel], L"Cancel") << std::hex << id;
}

// Blanks at the ends, line breaks, the backslash and umlauts are part of the texts
// (English texts that the workers' tests compare whole, and the German WinPE
// refusal that tests/e2e/startup.sh reads off its message box, are not repeated here).
TEST(UiTextsTest, ExactTexts) {
  const UiTexts en = MakeUiTexts(0x0409);
  const UiTexts de = MakeUiTexts(0x0407);
  const struct {
    const UiTexts& table;
    int slot;
    std::wstring text;
  } cases[] = {
      {de, TxtNotWritableHead, L"Beschreiben des Datentr\u00e4gers "},
      {en, TxtModeTitle, L"Install driver via: "},
      {de, TxtModeTitle, L"Importmodus w\u00e4hlen"},
      {en, TxtModeHeading, L"Install Driver by:"},
      {de, TxtModeHeading, L"Treiber installieren \u00fcber: "},
      {de, TxtArchiverMissing, L"\\7z.exe nicht gefunden\r\nProgramm beendet."},
      {en, TxtNoWindowsHint,
       L"Info: No Windows Installation found. To install the driver,\r\n       select manual mode."},
      {de, TxtNoWindowsHint,
       L"Info: Es wurde keine Windowsinstallation gefunden.\r\n"
       L"       Bitte zum Installieren der Treiber den manuellen Modus w\u00e4hlen."},
      {de, TxtAlreadyRunning, L"L\u00e4uft bereits"},
      {de, TxtCheck, L"Pr\u00fcfe: "},
      {de, TxtAllInstalled, L"Alle Ger\u00e4te installiert."},
      {de, TxtBackWord, L"Zur\u00fcck"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.table[c.slot], c.text) << c.slot;
}

TEST(UiTextsTest, SlotsPastTheTableAreEmptyAndTheProgramTableFollowsTheLastLoad) {
  for (uint16_t id : {0x0409, 0x0407})
    EXPECT_EQ(MakeUiTexts(id)[0] + MakeUiTexts(id)[201] + MakeUiTexts(id)[-1], L"");  // 201 and -1: past the table
  LoadUiTexts(0x0807);
  EXPECT_EQ(UiText(TxtInstallOk), L"Installation erfolgreich");
  LoadUiTexts(0x0409);
  EXPECT_EQ(UiText(TxtInstallOk), L"Installation successfull");
}

}  // namespace
}  // namespace orvane
