#include "sources/inf_tool.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "inf/dir_ids.h"
#include "inf/driver_match.h"
#include "inf/inf_reader.h"
#include "inf/install_directives.h"
#include "install/staging.h"
#include "text/text_helpers.h"

namespace orvane {

namespace {

// An option of one command: its name, whether it takes a value, whether it
// must be given, and where its value or flag goes.
struct OptionSpec {
  const wchar_t* name;
  bool takes_value;
  bool required;
  std::wstring* value;
  bool* flag;
};

struct CommandSpec {
  const wchar_t* name;
  InfToolCommand command;
  size_t min_operands;
  size_t max_operands;  // 0 = no limit
  const wchar_t* operand_names;
};

const CommandSpec kCommands[] = {
    {L"match", InfToolCommand::kMatch, 1, 0, L"PATH..."},
    {L"decoration", InfToolCommand::kDecoration, 2, 2, L"INF SECTION"},
    {L"expand", InfToolCommand::kExpand, 2, 2, L"INF TEXT"},
    {L"value", InfToolCommand::kValue, 3, 4, L"INF SECTION KEY [DEFAULT]"},
    {L"exists", InfToolCommand::kExists, 2, 2, L"INF SECTION"},
    {L"table", InfToolCommand::kTable, 2, 2, L"INF SECTION"},
    {L"dirids", InfToolCommand::kDirIds, 1, 1, L"TEXT"},
    {L"destdir", InfToolCommand::kDestDir, 1, 1, L"ENTRY"},
    {L"sourcedir", InfToolCommand::kSourceDir, 3, 3, L"INF BASEDIR FILE"},
    {L"copysections", InfToolCommand::kCopySections, 2, 2, L"INF LIST"},
    {L"plan", InfToolCommand::kPlan, 2, 2, L"INF SECTION"},
    {L"stage", InfToolCommand::kStage, 3, 3, L"INFFOLDER INFNAME SECTIONLIST"},
    {L"export", InfToolCommand::kExport, 2, 2, L"INFNAME SECTIONLIST"},
    {L"disable", InfToolCommand::kDisable, 1, 1, L"INF"},
};

std::vector<OptionSpec> OptionsOf(InfToolCommand command, InfToolRequest* request) {
  switch (command) {
    case InfToolCommand::kMatch:
      return {
          {L"--arch", true, true, &request->profile.architecture, nullptr},
          {L"--version", true, true, &request->profile.version, nullptr},
          {L"--build", true, true, &request->profile.build, nullptr},
          {L"--lang", true, true, &request->profile.language, nullptr},
          {L"--product-type", true, true, &request->profile.product_type, nullptr},
          {L"--devices", true, true, &request->devices_file, nullptr},
          {L"--first", false, false, nullptr, &request->first},
      };
    case InfToolCommand::kDecoration:
      return {{L"--arch", true, true, &request->architecture, nullptr}};
    case InfToolCommand::kExpand:
      return {{L"--lang", true, true, &request->language, nullptr}};
    case InfToolCommand::kExists:
      return {{L"--entry", false, false, nullptr, &request->require_entry}};
    case InfToolCommand::kDirIds:
      return {
          {L"--windir", true, true, &request->profile.windows_dir, nullptr},
          {L"--programfiles", true, true, &request->profile.program_files, nullptr},
          {L"--store", true, true, &request->store, nullptr},
      };
    case InfToolCommand::kSourceDir:
      return {{L"--arch", true, true, &request->architecture, nullptr}};
    case InfToolCommand::kStage:
    case InfToolCommand::kExport: {
      std::vector<OptionSpec> system = {
          {L"--windir", true, true, &request->profile.windows_dir, nullptr},
          {L"--programfiles", true, true, &request->profile.program_files, nullptr},
          {L"--arch", true, true, &request->profile.architecture, nullptr},
          {L"--lang", true, true, &request->profile.language, nullptr},
      };
      if (command == InfToolCommand::kExport) {
        system.push_back({L"--store", true, true, &request->store, nullptr});
        system.push_back({L"--to", true, true, &request->export_folder, nullptr});
      }
      return system;
    }
    case InfToolCommand::kValue:
    case InfToolCommand::kTable:
    case InfToolCommand::kDestDir:
    case InfToolCommand::kCopySections:
    case InfToolCommand::kPlan:
    case InfToolCommand::kDisable:
      break;
  }
  return {};
}

bool IsSeparator(wchar_t ch) { return ch == L'/' || ch == L'\\'; }

bool HasInfExtension(const std::wstring& name) {
  static const std::wstring kExtension = L".inf";
  if (name.size() < kExtension.size()) return false;
  return EqualsNoCase(name.substr(name.size() - kExtension.size()), kExtension);
}

// Depth-first collection of the INF files below folder; relative paths are
// built with the platform's separator.
void CollectBelow(FileSystem& files, const std::wstring& folder, wchar_t separator,
                  std::vector<std::wstring>* found) {
  std::vector<DirEntry> entries;
  if (!files.ListDirectory(folder, &entries)) return;
  for (const DirEntry& entry : entries) {
    if (entry.name.empty() || entry.name == L"." || entry.name == L"..") continue;
    std::wstring child = folder;
    if (!IsSeparator(child.back())) child += separator;
    child += entry.name;
    if (entry.is_directory) {
      // A linked folder may lead back up the tree: it is not entered.
      if (!entry.is_link) CollectBelow(files, child, separator, found);
    } else if (HasInfExtension(entry.name)) {
      found->push_back(child);
    }
  }
}

// INF-path [TAB device-number] TAB the nine fields of a match, LF.
std::string MatchLine(const std::wstring& inf_path, const std::wstring& device_number,
                      const DriverMatch& match) {
  std::vector<std::wstring> fields{inf_path};
  if (!device_number.empty()) fields.push_back(device_number);
  fields.insert(fields.end(),
                {match.description, match.instance_id, match.matched_id, match.install_section,
                 match.models_decoration, match.manufacturer, match.driver_date,
                 match.driver_version, match.setup_class});
  return OutputLine(fields);
}

}  // namespace

std::wstring InfToolUsage() {
  return L"usage:\n"
         L"  orvane-inf match --arch A --version V --build B --lang L --product-type P "
         L"--devices FILE [--first] PATH...\n"
         L"  orvane-inf decoration --arch A INF SECTION\n"
         L"  orvane-inf expand --lang L INF TEXT\n"
         L"  orvane-inf value INF SECTION KEY [DEFAULT]\n"
         L"  orvane-inf exists [--entry] INF SECTION\n"
         L"  orvane-inf table INF SECTION\n"
         L"  orvane-inf dirids --windir W --programfiles P --store S TEXT\n"
         L"  orvane-inf destdir ENTRY\n"
         L"  orvane-inf sourcedir --arch A INF BASEDIR FILE\n"
         L"  orvane-inf copysections INF LIST\n"
         L"  orvane-inf plan INF SECTION\n"
         L"  orvane-inf stage --windir W --programfiles P --arch A --lang L "
         L"INFFOLDER INFNAME SECTIONLIST\n"
         L"  orvane-inf export --windir W --programfiles P --arch A --lang L --store S --to E "
         L"INFNAME SECTIONLIST\n"
         L"  orvane-inf disable INF\n"
         L"Options come before the operands, in any order; \"--\" ends them.\n";
}

std::wstring ParseInfToolArgs(const std::vector<std::wstring>& args, InfToolRequest* request) {
  *request = InfToolRequest();
  if (args.empty()) return L"no command given";
  const CommandSpec* command_def = nullptr;
  for (const CommandSpec& candidate : kCommands) {
    if (args[0] == candidate.name) command_def = &candidate;
  }
  if (command_def == nullptr) return L"unknown command \"" + args[0] + L"\"";
  request->command = command_def->command;

  std::vector<OptionSpec> options = OptionsOf(command_def->command, request);
  std::vector<bool> seen(options.size(), false);
  size_t index = 1;
  // Options come first, in any order; the first argument that does not start
  // with "--" (or everything after a lone "--") is an operand.
  while (index < args.size()) {
    const std::wstring& arg = args[index];
    if (arg == L"--") {
      ++index;
      break;
    }
    if (arg.size() < 2 || arg.compare(0, 2, L"--") != 0) break;
    size_t which = options.size();
    for (size_t i = 0; i < options.size(); ++i) {
      if (arg == options[i].name) which = i;
    }
    if (which == options.size()) {
      return L"unknown option \"" + arg + L"\" for " + command_def->name;
    }
    if (seen[which]) return L"option " + arg + L" given twice";
    seen[which] = true;
    if (options[which].takes_value) {
      if (index + 1 >= args.size()) return L"option " + arg + L" needs a value";
      *options[which].value = args[index + 1];
      index += 2;
    } else {
      *options[which].flag = true;
      ++index;
    }
  }
  for (size_t i = 0; i < options.size(); ++i) {
    if (options[i].required && !seen[i]) {
      return L"missing option " + std::wstring(options[i].name) + L" for " + command_def->name;
    }
  }
  request->operands.assign(args.begin() + static_cast<std::ptrdiff_t>(index), args.end());
  const size_t count = request->operands.size();
  if (count < command_def->min_operands || (command_def->max_operands != 0 && count > command_def->max_operands)) {
    return std::wstring(command_def->name) + L" takes " + command_def->operand_names;
  }
  return L"";
}

std::vector<ToolDevice> ParseDevicesFile(const std::string& bytes) {
  std::string body = bytes;
  if (body.size() >= 3 && static_cast<unsigned char>(body[0]) == 0xEF &&
      static_cast<unsigned char>(body[1]) == 0xBB && static_cast<unsigned char>(body[2]) == 0xBF) {
    body.erase(0, 3);
  }
  const std::wstring text = Utf8ToWide(body);

  std::vector<ToolDevice> devices;
  ToolDevice current;
  auto take_line = [&](size_t begin, size_t end) {
    bool blank = true;
    for (size_t i = begin; i < end && blank; ++i) blank = IsBlank(text[i]);
    if (blank) {
      if (!current.empty()) devices.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(text.substr(begin, end - begin));
    }
  };

  size_t begin = 0;
  size_t i = 0;
  while (i < text.size()) {
    const wchar_t ch = text[i];
    if (ch == L'\n' || ch == L'\r') {
      take_line(begin, i);
      if (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      begin = i + 1;
    }
    ++i;
  }
  if (begin < text.size()) take_line(begin, text.size());
  if (!current.empty()) devices.push_back(std::move(current));
  return devices;
}

std::wstring DeviceText(const ToolDevice& device) {
  std::wstring text;
  for (const std::wstring& id : device) {
    text += id;
    text += L'\n';
  }
  return text;
}

std::wstring DeviceListText(const std::vector<ToolDevice>& devices) {
  std::wstring list;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (i > 0) list += L',';
    list += DeviceText(devices[i]);
  }
  return list;
}

std::vector<std::wstring> CollectInfFiles(FileSystem& files, const std::wstring& path) {
  if (path.empty() || !files.DirectoryExists(path)) return {path};
  std::vector<std::wstring> found;
  CollectBelow(files, path, files.Separator(), &found);
  // Sorted by UTF-8 bytes, which is code-point order (UTF-16 unit order puts
  // characters above U+FFFF before U+E000..U+FFFF).
  std::vector<std::pair<std::string, std::wstring>> keyed;
  keyed.reserve(found.size());
  for (std::wstring& file : found) {
    std::string key = WideToUtf8(file);
    keyed.emplace_back(std::move(key), std::move(file));
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::wstring> sorted;
  sorted.reserve(keyed.size());
  for (auto& item : keyed) sorted.push_back(std::move(item.second));
  return sorted;
}

std::string EscapeField(const std::wstring& field) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring escaped;
  escaped.reserve(field.size());
  for (wchar_t ch : field) {
    if (static_cast<unsigned long>(ch) < 0x20) {
      escaped += L"\\u00";
      escaped += kHex[(ch >> 4) & 0xF];
      escaped += kHex[ch & 0xF];
    } else {
      escaped += ch;
    }
  }
  return WideToUtf8(escaped);
}

std::string OutputLine(const std::vector<std::wstring>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += EscapeField(fields[i]);
  }
  line += '\n';
  return line;
}

int ExecuteInfTool(const InfToolRequest& request, FileSystem& files,
                   const InfToolStreams& streams) {
  const std::vector<std::wstring>& ops = request.operands;
  switch (request.command) {
    case InfToolCommand::kMatch: {
      std::string bytes;
      if (!files.ReadFile(request.devices_file, &bytes)) {
        streams.err(WideToUtf8(L"orvane-inf: cannot read the devices file \"" +
                               request.devices_file + L"\"\n"));
        return 2;
      }
      const std::vector<ToolDevice> devices = ParseDevicesFile(bytes);
      // The device list is indexed once for all INF files, in the form the
      // chosen matching takes; each INF is read once and matched from
      // memory, which gives the same records as the operations on a path.
      DeviceIdList device_list;
      if (request.first) {
        std::vector<std::wstring> device_texts;
        device_texts.reserve(devices.size());
        for (const ToolDevice& device : devices) device_texts.push_back(DeviceText(device));
        device_list = DeviceIdList::FromDeviceTexts(device_texts);
      } else {
        device_list = DeviceIdList::FromText(DeviceListText(devices));
      }

      for (const std::wstring& path : ops) {
        for (const std::wstring& inf_path : CollectInfFiles(files, path)) {
          const InfDocument inf = InfDocument::Load(files, inf_path);
          std::string block;
          if (request.first) {
            const std::vector<std::optional<DriverMatch>> found =
                MatchInfDeviceEach(inf, request.profile, device_list);
            for (size_t d = 0; d < found.size(); ++d) {
              if (found[d]) {
                block += MatchLine(inf_path, DecimalText(static_cast<int64_t>(d + 1)), *found[d]);
              }
            }
          } else {
            for (const DriverMatch& match : MatchInfDevices(inf, request.profile, device_list)) {
              block += MatchLine(inf_path, std::wstring(), match);
            }
          }
          if (!block.empty()) streams.out(block);
        }
      }
      return 0;
    }
    case InfToolCommand::kDecoration:
      streams.out(OutputLine({InstallSectionDecoration(files, ops[0], ops[1], request.architecture)}));
      return 0;
    case InfToolCommand::kExpand:
      streams.out(OutputLine({ExpandStrings(files, ops[0], request.language, ops[1])}));
      return 0;
    case InfToolCommand::kValue:
      streams.out(OutputLine({ReadInfValue(files, ops[0], ops[1], ops[2],
                                           ops.size() > 3 ? ops[3] : std::wstring())}));
      return 0;
    case InfToolCommand::kExists:
      streams.out(SectionExists(files, ops[0], ops[1], request.require_entry) ? "true\n"
                                                                              : "false\n");
      return 0;
    case InfToolCommand::kTable: {
      InfSectionTable table;
      ReadSectionTable(files, ops[0], ops[1], &table);
      std::string block;
      for (const InfEntry& entry : table) block += OutputLine({entry.key, entry.value});
      streams.out(block);
      return 0;
    }
    case InfToolCommand::kDirIds:
      streams.out(OutputLine({ResolveDirIds(request.profile.windows_dir,
                                            request.profile.program_files, request.store, ops[0])}));
      return 0;
    case InfToolCommand::kDestDir:
      streams.out(OutputLine({DestDirToken(ops[0])}));
      return 0;
    case InfToolCommand::kSourceDir:
      streams.out(OutputLine({SourceFileDir(files, ops[0], ops[1], ops[2], request.architecture)}));
      return 0;
    case InfToolCommand::kCopySections: {
      CopySectionTable table;
      ReadCopySections(files, ops[0], ops[1], &table);
      std::string block = OutputLine({L"0", DestinationListText(table)});
      for (size_t k = 1; k <= table.sections.size(); ++k) {
        block += OutputLine({DecimalText(static_cast<int64_t>(k + 2)), SectionLinesText(table, k)});
      }
      streams.out(block);
      return 0;
    }
    case InfToolCommand::kPlan: {
      const InstallPlan plan = ExpandNeedsInclude(files, ops[0], ops[1]);
      streams.out(OutputLine({InfListText(plan)}) + OutputLine({SectionGroupsText(plan)}));
      return 0;
    }
    case InfToolCommand::kStage:
    case InfToolCommand::kExport: {
      StagingList list;
      if (request.command == InfToolCommand::kStage) {
        StageDriverFiles(files, request.profile, ops[0], ops[1], ops[2], &list);
      } else {
        StageExportFiles(files, request.profile, ops[0], ops[1], request.store,
                         request.export_folder, &list);
      }
      std::string block;
      for (const StagingEntry& entry : list) block += OutputLine({entry.source, entry.destination});
      streams.out(block);
      return 0;
    }
    case InfToolCommand::kDisable:
      DisableFileDirectives(files, ops[0]);
      return 0;
  }
  return 0;
}

int RunInfTool(const std::vector<std::wstring>& args, FileSystem& files,
               const InfToolStreams& streams) {
  InfToolRequest request;
  const std::wstring problem = ParseInfToolArgs(args, &request);
  if (!problem.empty()) {
    streams.err(WideToUtf8(L"orvane-inf: " + problem + L"\n" + InfToolUsage()));
    return 2;
  }
  return ExecuteInfTool(request, files, streams);
}

}  // namespace orvane
