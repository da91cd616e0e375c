#include "text/ui_texts.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The table follows the primary language of the id: 7 is German, every other
// one English. Blanks at the ends, line breaks, the backslash and umlauts are
// part of the texts (English texts that the workers' tests compare whole, and
// the German WinPE refusal that tests/e2e/startup.sh reads off its message
// box, are not repeated here).
TEST(UiTextsTest, ExactTextsOfEachLanguage) {
  const struct {
    uint16_t language;
    int slot;
    std::wstring text;
  } cases[] = {
      // clang-format off
      // 0x0417: a primary language of 0x17, not 7.
      {0x0407, TxtCancel, L"Abbrechen"}, {0x0409, TxtCancel, L"Cancel"}, {0x0000, TxtCancel, L"Cancel"},
      {0x0417, TxtCancel, L"Cancel"}, {0x0807, TxtNotWritableHead, L"Beschreiben des Datentr\u00e4gers "},
      {0x0409, TxtModeTitle, L"Install driver via: "}, {0x0007, TxtModeTitle, L"Importmodus w\u00e4hlen"},
      {0x0409, TxtModeHeading, L"Install Driver by:"}, {0xFC07, TxtModeHeading, L"Treiber installieren \u00fcber: "},
      {0x0407, TxtArchiverMissing, L"\\7z.exe nicht gefunden\r\nProgramm beendet."},
      {0x0409, TxtNoWindowsHint,
       L"Info: No Windows Installation found. To install the driver,\r\n       select manual mode."},
      {0x0407, TxtNoWindowsHint,
       L"Info: Es wurde keine Windowsinstallation gefunden.\r\n"
       L"       Bitte zum Installieren der Treiber den manuellen Modus w\u00e4hlen."},
      {0x0407, TxtAlreadyRunning, L"L\u00e4uft bereits"}, {0x0407, TxtCheck, L"Pr\u00fcfe: "},
      {0x0407, TxtAllInstalled, L"Alle Ger\u00e4te installiert."}, {0x0407, TxtBackWord, L"Zur\u00fcck"},
      {0x0407, TxtInstallOk, L"Installation erfolgreich"},
      // clang-format on
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeUiTexts(c.language)[c.slot], c.text) << std::hex << c.language << " " << std::dec << c.slot;
}

// The program's table follows the last load: the German partition notice of
// devices/disks_volumes_test.cpp, between English texts compared whole.
TEST(UiTextsTest, SlotsPastTheTableAreEmpty) {
  for (uint16_t id : {0x0409, 0x0407})
    EXPECT_EQ(MakeUiTexts(id)[0] + MakeUiTexts(id)[201] + MakeUiTexts(id)[-1], L"");  // 201 and -1: past the table
}

}  // namespace
}  // namespace orvane
