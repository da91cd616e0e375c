// orvane-inf: which INF serves which device, from the console. All text in
// and out is UTF-8; the work is done by RunInfTool.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/windows/windows_file_system.h"
#else
#include "platform/posix/posix_file_system.h"
#endif
#include "sources/inf_tool.h"
#include "text/text_helpers.h"

namespace {

#ifdef _WIN32
using HostFileSystem = orvane::WindowsFileSystem;
#else
using HostFileSystem = orvane::PosixFileSystem;
#endif

void WriteBytes(std::FILE* stream, const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

int RunTool(const std::vector<std::wstring>& args) {
#ifdef _WIN32
  // The bytes written are UTF-8 already: no newline translation.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  HostFileSystem files;
  orvane::InfToolStreams streams;
  streams.out = [](const std::string& bytes) { WriteBytes(stdout, bytes); };
  streams.err = [](const std::string& bytes) { WriteBytes(stderr, bytes); };
  const int status = orvane::RunInfTool(args, files, streams);
  std::fflush(stdout);
  std::fflush(stderr);
  return status;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return RunTool(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(orvane::Utf8ToWide(argv[i]));
  return RunTool(args);
}
#endif
