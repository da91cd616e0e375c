#include "platform/posix/posix_archiver.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "text/text_helpers.h"

extern char** environ;

namespace orvane {
namespace {

bool IsDrivePath(const std::wstring& text) {
  return text.size() >= 2 && text[1] == L':' &&
         ((text[0] >= L'a' && text[0] <= L'z') || (text[0] >= L'A' && text[0] <= L'Z'));
}

std::string Slashed(const std::wstring& text) {
  std::string host = WideToUtf8(text);
  for (char& ch : host) {
    if (ch == '\\') ch = '/';
  }
  return host;
}

// A started host process as the cancellation token sees it.
class PosixChildProcess : public ChildProcess {
 public:
  explicit PosixChildProcess(pid_t pid) : pid_(pid) {}
  void Terminate() override { kill(pid_, SIGKILL); }

 private:
  pid_t pid_;
};

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& parameters) {
  std::vector<std::wstring> arguments;
  std::wstring current;
  bool quoted = false, any = false;
  for (wchar_t ch : parameters) {
    if (ch == L'"') {
      quoted = !quoted;
      any = true;
    } else if ((ch == L' ' || ch == L'\t') && !quoted) {
      if (any) arguments.push_back(current);
      current.clear();
      any = false;
    } else {
      current += ch;
      any = true;
    }
  }
  if (any) arguments.push_back(current);
  return arguments;
}

std::wstring PosixArchiver::Translate(const std::wstring& path) const {
  const std::wstring host = translate_ ? translate_(path) : std::wstring();
  return host.empty() ? path : host;
}

std::vector<std::string> PosixArchiver::HostArguments(const std::wstring& parameters) const {
  std::vector<std::string> arguments;
  for (const std::wstring& argument : SplitCommandLine(parameters)) {
    if (StartsWith(argument, L"-o") && IsDrivePath(argument.substr(2))) {
      arguments.push_back("-o" + Slashed(Translate(argument.substr(2))));
    } else if (IsDrivePath(argument)) {
      arguments.push_back(Slashed(Translate(argument)));
    } else {
      arguments.push_back(Slashed(argument));
    }
  }
  // Names match without regard to letter case, as they do for the archiver
  // on Windows ("*.inf" takes NET.INF too).
  if (!arguments.empty()) arguments.push_back("-ssc-");
  return arguments;
}

uint32_t PosixArchiver::RunAndWait(const std::wstring& file, const std::wstring& parameters,
                                   const std::wstring& directory, int show_mode, CancellationToken& token) {
  if (token.IsCancelled()) return 0;
  const std::wstring archiver = translate_ ? translate_(file) : file;
  struct stat info;
  if (archiver.empty() || stat(Slashed(archiver).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;

  std::vector<std::string> arguments = HostArguments(parameters);
  arguments.insert(arguments.begin(), program_);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string host_directory;
  if (!directory.empty()) {
    host_directory = Slashed(Translate(directory));
    // Run in that folder: through a shell-free change of directory where
    // the C library offers it.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    posix_spawn_file_actions_addchdir_np(&actions, host_directory.c_str());
#endif
  }
  pid_t pid = 0;
  const int spawned = program_.find('/') == std::string::npos
                          ? posix_spawnp(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ)
                          : posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return 0;

  {
    // Waits for the end without reaping it, so that a cancel never signals
    // a process id that has already been given to another process.
    PosixChildProcess child(pid);
    ChildRegistration registration(token, &child);
    siginfo_t ended{};
    while (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  return 1;  // ended by a signal
}

}  // namespace orvane
