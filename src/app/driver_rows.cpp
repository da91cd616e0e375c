#include "app/driver_rows.h"

#include <utility>

#include "text/text_helpers.h"

namespace orvane {

std::wstring CandidateText(const CandidateRecord& candidate) {
  std::wstring text = DriverMatchText(candidate.match) + L"\n" + candidate.inf_path;
  if (!candidate.package_path.empty()) {
    text += L"\n" + candidate.package_path + L"\n" + candidate.unpack_folder + L"\n" + candidate.subfolder;
  }
  return text;
}

CandidateRecord ParseCandidate(const std::wstring& text) {
  CandidateRecord candidate;
  const std::vector<std::wstring> fields = SplitText(text, L"\n");
  std::wstring match_text;
  for (size_t i = 0; i < fields.size() && i < 9; ++i) {
    if (i > 0) match_text += L"\n";
    match_text += fields[i];
  }
  candidate.match = ParseDriverMatch(match_text);
  candidate.inf_path = Field(text, L"\n", 10);
  candidate.package_path = Field(text, L"\n", 11);
  candidate.unpack_folder = Field(text, L"\n", 12);
  candidate.subfolder = Field(text, L"\n", 13);
  return candidate;
}

CandidateDetails DetailsOfCandidate(const CandidateRecord& candidate) {
  CandidateDetails details;
  details.type = candidate.match.setup_class;
  details.hardware_id = candidate.match.matched_id;
  if (candidate.package_path.empty()) {
    details.inf = candidate.inf_path;
  } else {
    const size_t last = FindLast(candidate.inf_path, L'\\');
    details.inf = candidate.subfolder + candidate.inf_path.substr(last);
    details.package = candidate.package_path;
  }
  return details;
}

void ShowCandidateDetails(WindowView& view, const CandidateRecord& candidate) {
  const CandidateDetails details = DetailsOfCandidate(candidate);
  view.SetText(ViewControl::DriverTypeValue, details.type);
  view.SetText(ViewControl::DriverHardwareIdValue, details.hardware_id);
  view.SetText(ViewControl::DriverInfValue, details.inf);
  view.SetText(ViewControl::DriverPackageValue, details.package);
}

void CandidateTable::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.clear();
}

void CandidateTable::Add(CandidateRecord candidate) {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.push_back(std::move(candidate));
}

size_t CandidateTable::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_.size();
}

std::optional<CandidateRecord> CandidateTable::ForLine(int line) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (line < 0 || static_cast<size_t>(line) >= rows_.size()) return std::nullopt;
  return rows_[static_cast<size_t>(line)];
}

std::vector<CandidateRecord> CandidateTable::All() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_;
}

}  // namespace orvane
