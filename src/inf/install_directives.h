// The install-section directives the program handles itself: the install
// plan that Include and Needs span across INF files, and the rewrite of a
// staged INF copy whose file directives become comments.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

// The INF files an install draws on, in the order they are first reached
// (the starting INF first), and parallel to them the install sections of
// each as a comma-ended list ("S,S2,", the form StageDriverFiles takes). The
// same file reached again right after itself continues its list; reached
// again later, after another file, it starts a new entry.
struct InstallPlan {
  std::vector<std::wstring> infs;
  std::vector<std::wstring> section_lists;
};

// The INF list: every name followed by "|" ("a.inf|ks.inf|").
std::wstring InfListText(const InstallPlan& plan);
// The section groups: every list followed by "|" ("S,|KS.Registration,|").
std::wstring SectionGroupsText(const InstallPlan& plan);

// Follows Include and Needs from installSection of infPath (a full path;
// included INFs are looked for in its folder). Every (file, section) pair,
// both compared lower-cased, is visited at most once: a pair met again is
// neither recorded nor followed, so loops end. Each INF is read once per
// call. Unreadable files and missing sections add no directives; their pair
// is still recorded.
InstallPlan ExpandNeedsInclude(FileSystem& files, const std::wstring& infPath,
                               const std::wstring& installSection);

// Rewrites the INF copy in place: every line loses its leading blanks, and
// lines that then begin (lower-cased) with "copyfiles", "delfiles" or
// "reboot" get "; " in front. The file's encoding (UTF-16 LE or UTF-8 with
// their marks, ANSI without) and every other byte are kept; a line ends at
// CR LF or a lone LF and keeps its ending, a last line without one gets CR LF.
// In an ANSI file whose first line, without its leading blanks, would begin
// with a byte-order mark, that line keeps them. A file with an unaccepted
// mark, a missing, unreadable or read-only file is left alone; nothing is
// written when nothing changes.
void DisableFileDirectives(FileSystem& files, const std::wstring& infPath);

}  // namespace orvane
