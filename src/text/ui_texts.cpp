#include "text/ui_texts.h"

namespace orvane {
namespace {

struct SlotText {
  int slot;
  const wchar_t* english;
  const wchar_t* german;
};

// "\r\n" is a line break inside a text; the backslash before 7z.exe is a
// plain character.
const SlotText kTexts[] = {
    {TxtNotWritableHead, L"Description of storage media  ",
     L"Beschreiben des Datentr\u00E4gers "},
    {TxtNotWritableTail, L" is not possible.",
     L" nicht m\u00F6glich."},
    {TxtAlreadyRunning, L"allready running",
     L"L\u00E4uft bereits"},
    {TxtUseVersionHead, L"Please use ",
     L"Bitte Version "},
    {TxtUseVersionTail, L" Version.",
     L" verwenden."},
    {TxtWinPeOnly, L"              For WinPE only",
     L"     Nur unter WinPE starten"},
    {TxtChooseSource, L"Select folder or driver:",
     L"Ordner oder Treiber w\u00E4hlen:"},
    {TxtOk, L">> OK ",
     L">> OK "},
    {TxtFileType, L"FileTyp",
     L"DateiTyp"},
    {TxtSourceFilter, L"Folder (*.inf;*.zip;*.7z)",
     L"Verzeichnis (*.inf;*.zip;*.7z)"},
    {TxtPath, L"Path:",
     L"Pfad:"},
    {TxtBack, L" << ",
     L" << "},
    {TxtCancel, L"Cancel",
     L"Abbrechen"},
    {TxtModeTitle, L"Install driver via: ",
     L"Importmodus w\u00E4hlen"},
    {TxtModeHeading, L"Install Driver by:",
     L"Treiber installieren \u00FCber: "},
    {TxtModeSystemDisk, L"System (OS) on Hdd (Windows NT)",
     L"Lokales System (Windows NT)"},
    {TxtModeHint, L"Info: To install the driver select mode",
     L"Info: Zum installieren des Treibers Modus w\u00E4hlen"},
    {TxtInfo, L"Info",
     L"Info"},
    {TxtModeFolder, L"Folder (.inf, .zip, .7z)",
     L"Verzeichnis (.inf, .zip, .7z)"},
    {TxtDevicePageTitle, L"Local import",
     L"Lokaler import"},
    {TxtDeviceDriver, L"Device driver:",
     L"Ger\u00E4tetreiber:"},
    {TxtStatus, L"Status:",
     L"Status:"},
    {TxtRefreshDevices, L"Refresh",
     L"Neu einlesen"},
    {TxtImportForDevices, L"Driver import",
     L"Treiber import"},
    {TxtManualTitle, L"Manual import",
     L"Manueller import"},
    {TxtColName, L"Name:",
     L"Name:"},
    {TxtColProvider, L"Provider:",
     L"Anbieter:"},
    {TxtColVersion, L"Version:",
     L"Version:"},
    {TxtColDate, L"Date:",
     L"Datum:"},
    {TxtType, L"Typ:",
     L"Typ:"},
    {TxtHardwareId, L"Hardware-ID:",
     L"Hardware-ID:"},
    {TxtInfPath, L"Inf path:",
     L"InfPfad:"},
    {TxtPackagePath, L"Package path:",
     L"PacketPfad:"},
    {TxtManualStatus, L"Status:",
     L"Status:"},
    {TxtRefreshSource, L"Refresh",
     L"Neu einlesen"},
    {TxtImportSelected, L"Import driver",
     L"Treiber import"},
    {TxtWindowsCheckTitle, L"- Windows Check -",
     L"Windows Pr\u00FCfung"},
    {TxtNoWindows, L"No Windows Installation found.",
     L"Keine Windows installation gefunden"},
    {TxtNoWindowsHint, L"Info: No Windows Installation found. To install the driver,\r\n       select manual mode.",
     L"Info: Es wurde keine Windowsinstallation gefunden.\r\n       Bitte zum Installieren der Treiber den manuellen Modus w\u00E4hlen."},
    {TxtSelectWindowsTitle, L"Select Windows",
     L"Windows w\u00E4hlen"},
    {TxtSelection, L"Selection:",
     L"Auswahl:"},
    {TxtRefreshingHardware, L"Refresh hardware...",
     L"aktualisiere Hardware..."},
    {TxtHostPrefix, L"Host: ",
     L"Host: "},
    {TxtWinPeArrow, L" -----> WinPE: ",
     L" -----> WinPE: "},
    {TxtCheckingWindows, L"Check Windows...",
     L"pr\u00FCfe Windows..."},
    {TxtDriverFoundSuffix, L" Driver found",
     L" Treiber gefunden"},
    {TxtArchMismatch, L"Architecture not compatibel",
     L"Architektur nicht kompatibel"},
    {TxtInstallingPrefix, L"install Driver ",
     L"installiere Treiber "},
    {TxtInstallOk, L"Installation successfull",
     L"Installation erfolgreich"},
    {TxtInstallFailed, L"Installation failed",
     L"Installation fehlgeschlagen"},
    {TxtNewPartitions, L" new Partition(s) %1 found.",
     L" neue partition(en) %1 gefunden"},
    {TxtAnotherDevice, L"- another device can be installed.",
     L"- weiteres Ger\u00E4t installationsf\u00E4hig."},
    {TxtDriversInstalledSuffix, L" Driver Installed successfully",
     L" Treiber erfolgreich installiert"},
    {TxtNotFound, L" - not found.",
     L" - nicht gefunden."},
    {TxtNoDriverFound, L"no appropiate driver found.",
     L"Kein passender Treiber gefunden."},
    {TxtDriversFound, L" Driver found.",
     L" Treiber gefunden."},
    {TxtRefresh, L"Refresh",
     L"neu einlesen"},
    {TxtStopping, L"Process stoped, please wait...",
     L"Vorgang gestoppt, bitte warten..."},
    {TxtCheck, L"Check: ",
     L"Pr\u00FCfe: "},
    {TxtDecompressPackage, L"Decompress package...",
     L"Entpacke Paket..."},
    {TxtPleaseWait, L" please wait",
     L" bitte warten"},
    {TxtDecompressDriver, L"Decompress driver..., please wait",
     L"Entpacke Treiber..., bitte warten"},
    {TxtInstallDriver, L"Install driver..., please wait ",
     L"Installiere Treiber..., bitte warten "},
    {TxtArchiverMissing, L"\\7z.exe not found\r\nProgram closed.",
     L"\\7z.exe nicht gefunden\r\nProgramm beendet."},
    {TxtAllInstalled, L"All devices installed.",
     L"Alle Ger\u00E4te installiert."},
    {TxtProcessFinished, L"Process finished",
     L"Vorgang abgeschlossen"},
    {TxtUnpackDone, L"Unpacking completed, searching for drivers...",
     L"Entpacken abgeschlossen, Suche Treiber..."},
    {TxtSearchDone, L"Finished searching.",
     L"Suche beendet."},
    {TxtGettingInstalled, L" getting installed...",
     L" wird installiert..."},
    {TxtFolderRule, L"-------------- Folder  ---------------------",
     L"-------------- Verzeichnis  ---------------------"},
    {TxtSearchFolder, L"Searchfolder: ",
     L"Verzeichnis: "},
    {TxtInformation, L"Information",
     L"Information"},
    {TxtVersionLabel, L"Version:",
     L"Version:"},
    {TxtBackWord, L"back",
     L"Zur\u00FCck"},
};

const std::wstring kEmpty;

UiTexts& ProgramTable() {
  static UiTexts table;
  return table;
}

}  // namespace

const std::wstring& UiTexts::operator[](int slot) const {
  if (slot < 0 || slot >= kUiTextSlotCount) return kEmpty;
  return slots[static_cast<size_t>(slot)];
}

bool IsGermanLanguage(uint16_t language_id) { return (language_id & 0x3FF) == 7; }

UiTexts MakeUiTexts(uint16_t language_id) {
  const bool german = IsGermanLanguage(language_id);
  UiTexts texts;
  for (const SlotText& entry : kTexts) {
    texts.slots[static_cast<size_t>(entry.slot)] = german ? entry.german : entry.english;
  }
  return texts;
}

void LoadUiTexts(uint16_t language_id) { ProgramTable() = MakeUiTexts(language_id); }

const std::wstring& UiText(int slot) { return ProgramTable()[slot]; }

}  // namespace orvane
