// Where a driver's files come from and where they go: the copy sections with
// their [DestinationDirs] entries, destination tokens, directory identifiers
// and the source folders of [SourceDisksFiles] / [SourceDisksNames].
//
// The INF-reading operations exist, like the reader's, on a path with a
// FileSystem& (one read of the file per call) and on an InfDocument already
// in memory; both give the same results.
#pragma once

#include <string>
#include <vector>

#include "inf/inf_reader.h"
#include "platform/file_system.h"

namespace orvane {

// One entry of the destination list: the name ([DestinationDirs] key as
// written, or the listed name when the default stands in) and the text after
// the "=", untrimmed. Its text form is name "=" destination.
struct DestinationEntry {
  std::wstring name;
  std::wstring destination;
};

// What ReadCopySections fills. The section list it is given is split at ","
// into names 1..count (the last one empty when the list ends in ","), all
// lower-cased.
//  - destinations: for k = 1 .. number of "," in the list (at least 1), with
//    name 1 standing for "DefaultDestDir": every [DestinationDirs] line whose
//    key, trimmed and lower-cased, equals name k, in file order; when none
//    does, name k with the default destination (DefaultDestDir's, else 11).
//  - sections[k - 1]: the lines of the k-th listed section (trimmed, cut at
//    their first ";", empty ones dropped; lines without "=" kept). A header
//    opens the first listed name whose "[" name "]" begins the lower-cased
//    line, so a header followed by a comment or other text still opens it.
//    sections[0] holds the lines of [DestinationDirs] itself.
struct CopySectionTable {
  std::vector<std::wstring> names;  // 1..count, lower-cased; names[0] = "DefaultDestDir"
  std::vector<DestinationEntry> destinations;
  std::vector<std::vector<std::wstring>> sections;

  // The destination of the first entry whose name equals name (compared
  // lower-cased); "" when there is none. A name listed twice in
  // [DestinationDirs] takes its first line.
  std::wstring DestinationOf(const std::wstring& name) const;
};

// The destination list as text: every entry as name "=" destination "|".
std::wstring DestinationListText(const CopySectionTable& table);
// The lines of one listed section (k = 1..count) as text, each followed by "|".
std::wstring SectionLinesText(const CopySectionTable& table, size_t k);

void ReadCopySections(const InfDocument& inf, const std::wstring& sectionList,
                      CopySectionTable* table);
void ReadCopySections(FileSystem& files, const std::wstring& infPath,
                      const std::wstring& sectionList, CopySectionTable* table);

// A destination entry (the text after "=": a DIRID, optionally "," and a
// subfolder) as "%" DIRID "%" followed by "\" and the subfolder: 12 gives
// %12%, " 11,drivers\ " gives %11%\drivers, "11," gives %11%\.
std::wstring DestDirToken(const std::wstring& entry);

// Replaces the directory identifiers and named folders of the receiving
// Windows (case-insensitively, in table order, each replacement working on
// the text the previous one left): %%, %10%, %11%, %12%, %13% (Windows
// directory + "\System32\DriverStore\FileRepository\" + storeFolder), %17%,
// %18%, %20%, %24%, %30%, %50%, %16422%, %66002%, %66003%, %ProgramFiles%,
// %SystemDirectory%, %Windir%, %SystemRoot%, %SystemDrive%. The drive is the
// Windows directory up to its first "\". A result that begins with a drive
// letter and ":" is moved to that drive; one that begins with "%" (an
// unknown identifier first) or with anything else is left as it is.
// storeFolder "%13%" keeps the token for a later replacement.
std::wstring ResolveDirIds(const std::wstring& windowsDir, const std::wstring& programFilesDir,
                           const std::wstring& storeFolder, const std::wstring& text);

// The folder that holds fileName (no trailing "\"): baseDir, followed by the
// path of its disk ([SourceDisksNames.<arch>] then [SourceDisksNames], field
// 4) and its subfolder ([SourceDisksFiles.<arch>] then [SourceDisksFiles],
// field 2). A subfolder ".." stands for the parent of baseDir.
std::wstring SourceFileDir(const InfDocument& inf, const std::wstring& baseDir,
                           const std::wstring& fileName, const std::wstring& architecture);
std::wstring SourceFileDir(FileSystem& files, const std::wstring& infPath,
                           const std::wstring& baseDir, const std::wstring& fileName,
                           const std::wstring& architecture);

}  // namespace orvane
