// The technicians' console tool: asks the INF engine which INF serves which
// device, and reads single values, sections and strings of an INF file.
//
// Everything here is independent of the host: the program's entry point only
// turns its arguments into wide texts and writes the produced UTF-8 bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "registry/system_profile.h"

namespace orvane {

enum class InfToolCommand {
  kMatch,
  kDecoration,
  kExpand,
  kValue,
  kExists,
  kTable,
  // Staging: directory identifiers, copy sections, install plans, staging
  // and export lists, and the directive rewrite of an INF copy.
  kDirIds,
  kDestDir,
  kSourceDir,
  kCopySections,
  kPlan,
  kStage,
  kExport,
  kDisable,
};

// One parsed command line.
struct InfToolRequest {
  InfToolCommand command = InfToolCommand::kMatch;
  // match: the receiving system (fields 3, 4, 5, 7 and 8 are set); stage and
  // export: the Windows (fields 2, 3, 6 and 7).
  SystemProfile profile;
  // dirids, export: --store; export: --to.
  std::wstring store;
  std::wstring export_folder;
  std::wstring devices_file;
  bool first = false;
  // decoration, sourcedir: --arch; expand: --lang.
  std::wstring architecture;
  std::wstring language;
  // exists: --entry.
  bool require_entry = false;
  // Positional arguments: the paths of match, INF SECTION ... of the others.
  std::vector<std::wstring> operands;
};

// Parses the arguments that follow the program name. Returns "" and fills
// *request, or the text of the usage error.
std::wstring ParseInfToolArgs(const std::vector<std::wstring>& args, InfToolRequest* request);

// The usage summary printed after a usage error.
std::wstring InfToolUsage();

// A device of the devices file: its identifiers in order, the first being its
// instance identifier.
using ToolDevice = std::vector<std::wstring>;

// Devices of a devices file (UTF-8, optional BOM; lines end at LF, CRLF or
// CR). Devices are separated by one or more blank lines, a blank line holding
// only characters up to U+0020; every other line is an identifier, taken as
// written.
std::vector<ToolDevice> ParseDevicesFile(const std::string& bytes);

// The device text the matcher takes: every identifier followed by LF.
std::wstring DeviceText(const ToolDevice& device);

// The device list: device texts joined by ",".
std::wstring DeviceListText(const std::vector<ToolDevice>& devices);

// The INF files a path stands for: a folder gives every file below it whose
// name ends in ".inf" (any case), recursively, sorted by the UTF-8 bytes of
// their paths; the paths are built as folder, separator, relative path. Links
// to folders are not entered. Anything that is not a folder stands for itself.
std::vector<std::wstring> CollectInfFiles(FileSystem& files, const std::wstring& path);

// One output field as UTF-8, every character below U+0020 written as \u00XX.
std::string EscapeField(const std::wstring& field);

// Fields joined by TAB (each escaped), ended by LF.
std::string OutputLine(const std::vector<std::wstring>& fields);

// Where the tool's UTF-8 output goes. Text is handed over in whole lines.
struct InfToolStreams {
  std::function<void(const std::string&)> out;
  std::function<void(const std::string&)> err;
};

// Runs the command given by the arguments (without the program name) against
// files. Returns the exit status: 0 on success, 2 on a usage error (message
// and usage summary on err).
int RunInfTool(const std::vector<std::wstring>& args, FileSystem& files,
               const InfToolStreams& streams);

// Runs a parsed request. Returns the exit status like RunInfTool.
int ExecuteInfTool(const InfToolRequest& request, FileSystem& files,
                   const InfToolStreams& streams);

}  // namespace orvane
