// The archiver on the host: the same command lines as on Windows, carried
// out by a 7-Zip program of the host (Debian's 7zz). The Windows paths of
// the command line (the archiver itself, the package, the "-o" folder) are
// turned into host paths by a translation the caller gives, and "\" into
// "/" in the other arguments (the subfolder pattern); names match without
// regard to letter case, as on Windows.
#pragma once

#include <functional>
#include <string>

#include "platform/archiver.h"

namespace orvane {

class PosixArchiver : public Archiver {
 public:
  // Windows path to host path; "" when the path names nothing on the host.
  using PathTranslation = std::function<std::wstring(const std::wstring&)>;

  // program: the host program that does the work, looked up on PATH when
  // it has no "/".
  PosixArchiver(PathTranslation translate, std::string program = "7zz")
      : translate_(std::move(translate)), program_(std::move(program)) {}

  // file must name an existing file after translation (the archiver beside
  // the program); otherwise nothing is started and the result is 0. The
  // program's output is discarded.
  uint32_t RunAndWait(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory,
                      int show_mode, CancellationToken& token) override;

  // The host arguments for a Windows command line (without the program).
  std::vector<std::string> HostArguments(const std::wstring& parameters) const;

 private:
  std::wstring Translate(const std::wstring& path) const;

  PathTranslation translate_;
  std::string program_;
};

// The arguments of a Windows command line: split at blanks outside double
// quotes, the quotes removed.
std::vector<std::wstring> SplitCommandLine(const std::wstring& parameters);

}  // namespace orvane
