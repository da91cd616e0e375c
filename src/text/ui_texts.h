// The table of texts the program shows, in English or German.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

// Slot numbers of the texts in use; every other slot stays empty.
enum UiTextSlot : int {
  TxtNotWritableHead = 3,
  TxtNotWritableTail = 4,
  TxtAlreadyRunning = 5,
  TxtUseVersionHead = 7,
  TxtUseVersionTail = 8,
  TxtWinPeOnly = 9,
  TxtChooseSource = 10,
  TxtOk = 11,
  TxtFileType = 12,
  TxtSourceFilter = 13,
  TxtPath = 14,
  TxtBack = 18,
  TxtCancel = 19,
  TxtModeTitle = 20,
  TxtModeHeading = 21,
  TxtModeSystemDisk = 27,
  TxtModeHint = 30,
  TxtInfo = 34,
  TxtModeFolder = 41,
  TxtDevicePageTitle = 43,
  TxtDeviceDriver = 44,
  TxtStatus = 45,
  TxtRefreshDevices = 48,
  TxtImportForDevices = 49,
  TxtManualTitle = 55,
  TxtColName = 56,
  TxtColProvider = 57,
  TxtColVersion = 60,
  TxtColDate = 61,
  TxtType = 62,
  TxtHardwareId = 70,
  TxtInfPath = 71,
  TxtPackagePath = 72,
  TxtManualStatus = 73,
  TxtRefreshSource = 76,
  TxtImportSelected = 77,
  TxtWindowsCheckTitle = 80,
  TxtNoWindows = 86,
  TxtNoWindowsHint = 87,
  TxtSelectWindowsTitle = 90,
  TxtSelection = 91,
  TxtRefreshingHardware = 95,
  TxtHostPrefix = 101,
  TxtWinPeArrow = 102,
  TxtCheckingWindows = 103,
  TxtDriverFoundSuffix = 104,
  TxtArchMismatch = 105,
  TxtInstallingPrefix = 106,
  TxtInstallOk = 115,
  TxtInstallFailed = 116,
  TxtNewPartitions = 120,
  TxtAnotherDevice = 121,
  TxtDriversInstalledSuffix = 122,
  TxtNotFound = 129,
  TxtNoDriverFound = 130,
  TxtDriversFound = 131,
  TxtRefresh = 133,
  TxtStopping = 134,
  TxtCheck = 140,
  TxtDecompressPackage = 141,
  TxtPleaseWait = 142,
  TxtDecompressDriver = 143,
  TxtInstallDriver = 144,
  TxtArchiverMissing = 150,
  TxtAllInstalled = 151,
  TxtProcessFinished = 153,
  TxtUnpackDone = 154,
  TxtSearchDone = 155,
  TxtGettingInstalled = 156,
  TxtFolderRule = 160,
  TxtSearchFolder = 161,
  TxtInformation = 190,
  TxtVersionLabel = 191,
  TxtBackWord = 195,
};

constexpr int kUiTextSlotCount = 201;

// 201 text slots, all empty until filled. Texts are joined with other text
// without separators, so their leading and trailing blanks matter.
struct UiTexts {
  std::array<std::wstring, kUiTextSlotCount> slots;

  // The text of a slot; "" for an unused or out-of-range slot.
  const std::wstring& operator[](int slot) const;
};

// True when the language identifier's primary language (its low ten bits) is
// German; every other language gets the English texts.
bool IsGermanLanguage(uint16_t language_id);

// The table for a user's default language identifier.
UiTexts MakeUiTexts(uint16_t language_id);

// The program-wide table: filled once at start-up, before any other use and
// before any worker thread exists; afterwards only read, from every thread.
void LoadUiTexts(uint16_t language_id);
const std::wstring& UiText(int slot);

}  // namespace orvane
