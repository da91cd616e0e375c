// The driver candidates behind the manual page's driver list: one record per
// list line, filled by the folder scan and read by the window (details of the
// selected line) and by the install of the selected candidate.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/window_view.h"
#include "inf/driver_match.h"

namespace orvane {

// A match plus where its INF comes from. The text form is the nine match
// fields, then the INF path, and for a package also the package path, the
// unpack folder and the INF's subfolder inside the package, joined by LF.
struct CandidateRecord {
  DriverMatch match;           // fields 1-9
  std::wstring inf_path;       // 10: full INF path (inside the unpack folder for a package)
  std::wstring package_path;   // 11: .zip or .7z, "" for a plain INF
  std::wstring unpack_folder;  // 12: where the package is unpacked
  std::wstring subfolder;      // 13: the INF's folder inside the package, "" or ending in "\"
};

// Text form: 10 fields for a plain INF, 13 for a package.
std::wstring CandidateText(const CandidateRecord& candidate);
// Fields 1..13 of a text form; missing fields are "".
CandidateRecord ParseCandidate(const std::wstring& text);

// What the manual page shows for a candidate: its setup class, the matched
// identifier, and the INF (for a package: its subfolder + file name) with the
// package path.
struct CandidateDetails {
  std::wstring type;
  std::wstring hardware_id;
  std::wstring inf;
  std::wstring package;
};

CandidateDetails DetailsOfCandidate(const CandidateRecord& candidate);

// Writes the details into the manual page's four value labels.
void ShowCandidateDetails(WindowView& view, const CandidateRecord& candidate);

// The candidate table. List line r (counted from 0) shows candidate r; a scan
// starts the table afresh and grows it by one record per match. Reads and
// writes may come from the window's thread and the worker at once: each call
// is complete in itself, and reads hand out copies.
class CandidateTable {
 public:
  void Clear();
  void Add(CandidateRecord candidate);
  size_t Count() const;
  // The candidate behind list line `line`; nothing for a line without one
  // (negative, or past the last candidate).
  std::optional<CandidateRecord> ForLine(int line) const;
  std::vector<CandidateRecord> All() const;

 private:
  mutable std::mutex mutex_;
  std::vector<CandidateRecord> rows_;
};

// The program's candidate table behind the driver list.
inline CandidateTable DriverRows;

}  // namespace orvane
