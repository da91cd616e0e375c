#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <set>

#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

constexpr long kErrInvalidHandle = 6;
constexpr long kErrSharingViolation = 32;
constexpr long kErrInvalidParameter = 87;
constexpr long kErrBadPathname = 161;
constexpr long kErrKeyDeleted = 1018;
constexpr long kErrPrivilegeNotHeld = 1314;

constexpr uint32_t kKeyQueryValue = 0x1;
constexpr uint32_t kKeySetValue = 0x2;
constexpr uint32_t kKeyEnumerateSubKeys = 0x8;

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kEnumNameBuffer = 255;  // characters, terminator included

const wchar_t* const kPrivilegeNames[] = {
    L"SeAssignPrimaryTokenPrivilege", L"SeAuditPrivilege", L"SeBackupPrivilege",
    L"SeChangeNotifyPrivilege", L"SeCreateGlobalPrivilege", L"SeCreatePagefilePrivilege",
    L"SeCreatePermanentPrivilege", L"SeCreateSymbolicLinkPrivilege", L"SeCreateTokenPrivilege",
    L"SeDebugPrivilege", L"SeDelegateSessionUserImpersonatePrivilege",
    L"SeEnableDelegationPrivilege", L"SeImpersonatePrivilege",
    L"SeIncreaseBasePriorityPrivilege", L"SeIncreaseQuotaPrivilege",
    L"SeIncreaseWorkingSetPrivilege", L"SeLoadDriverPrivilege", L"SeLockMemoryPrivilege",
    L"SeMachineAccountPrivilege", L"SeManageVolumePrivilege",
    L"SeProfileSingleProcessPrivilege", L"SeRelabelPrivilege", L"SeRemoteShutdownPrivilege",
    L"SeRestorePrivilege", L"SeSecurityPrivilege", L"SeShutdownPrivilege",
    L"SeSyncAgentPrivilege", L"SeSystemEnvironmentPrivilege", L"SeSystemProfilePrivilege",
    L"SeSystemtimePrivilege", L"SeTakeOwnershipPrivilege", L"SeTcbPrivilege",
    L"SeTimeZonePrivilege", L"SeTrustedCredManAccessPrivilege", L"SeUndockPrivilege",
    L"SeUnsolicitedInputPrivilege",
};

// Names compare as the platform compares them: letters folded to upper case.
std::wstring Fold(const std::wstring& name) {
  std::wstring folded(name);
  for (wchar_t& ch : folded) {
    if (ch >= L'a' && ch <= L'z') {
      ch = static_cast<wchar_t>(ch - L'a' + L'A');
    } else if (ch >= 0x80) {
      ch = LowerChar(ch);
    }
  }
  return folded;
}

struct Value {
  std::wstring name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct Node {
  std::wstring name;
  Node* parent = nullptr;
  bool deleted = false;
  bool hive_root = false;
  std::map<std::wstring, std::shared_ptr<Node>> children;  // by folded name
  std::vector<Value> values;                               // in the order first written

  Value* FindValue(const std::wstring& value_name) {
    const std::wstring folded = Fold(value_name);
    for (Value& value : values) {
      if (Fold(value.name) == folded) return &value;
    }
    return nullptr;
  }

  void PutValue(const std::wstring& value_name, uint32_t type, std::vector<uint8_t> data) {
    if (Value* existing = FindValue(value_name)) {
      existing->type = type;
      existing->data = std::move(data);
    } else {
      values.push_back(Value{value_name, type, std::move(data)});
    }
  }

  void EraseValue(const std::wstring& value_name) {
    const std::wstring folded = Fold(value_name);
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const Value& v) { return Fold(v.name) == folded; }),
                 values.end());
  }

  Node* Child(const std::wstring& child_name) {
    auto it = children.find(Fold(child_name));
    return it == children.end() ? nullptr : it->second.get();
  }

  Node* AddChild(const std::wstring& child_name) {
    auto node = std::make_shared<Node>();
    node->name = child_name;
    node->parent = this;
    Node* raw = node.get();
    children[Fold(child_name)] = std::move(node);
    return raw;
  }
};

void MarkDeleted(Node* node) {
  node->deleted = true;
  for (auto& child : node->children) MarkDeleted(child.second.get());
}

// Removes a key with everything below it. A hive's root stays (it can only be
// unloaded) but loses its content; a predefined root is never removed.
void DeleteTree(Node* node) {
  if (node->hive_root) {
    for (auto& child : node->children) {
      MarkDeleted(child.second.get());
      child.second->parent = nullptr;
    }
    node->children.clear();
    node->values.clear();
    return;
  }
  Node* parent = node->parent;
  if (parent == nullptr) return;
  auto it = parent->children.find(Fold(node->name));
  if (it == parent->children.end()) return;
  std::shared_ptr<Node> keep = it->second;  // alive until marked
  parent->children.erase(it);
  MarkDeleted(node);
  node->parent = nullptr;
}

// Path parts. A leading "\" is refused as the platform refuses it; other
// empty parts (doubled or trailing separators) are skipped.
long SplitKeyPath(const std::wstring& path, std::vector<std::wstring>* parts) {
  parts->clear();
  if (!path.empty() && path[0] == L'\\') return kErrBadPathname;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return kRegOk;
}

Node* FindPath(Node* start, const std::vector<std::wstring>& parts) {
  Node* node = start;
  for (const std::wstring& part : parts) {
    node = node->Child(part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

Node* CreatePath(Node* start, const std::vector<std::wstring>& parts) {
  Node* node = start;
  for (const std::wstring& part : parts) {
    Node* child = node->Child(part);
    node = child != nullptr ? child : node->AddChild(part);
  }
  return node;
}

bool IsBelow(const Node* node, const Node* ancestor) {
  for (; node != nullptr; node = node->parent) {
    if (node == ancestor) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// .reg text

struct RegOp {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind = kCreateKey;
  std::wstring root;  // upper case, as written in the brackets
  std::vector<std::wstring> parts;
  std::wstring name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

bool IsSpace(wchar_t ch) { return ch == L' ' || ch == L'\t'; }

std::wstring TrimSpaces(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Nothing but blanks or a comment from pos on.
bool RestIsEmpty(const std::wstring& line, size_t pos) {
  while (pos < line.size() && IsSpace(line[pos])) ++pos;
  return pos == line.size() || line[pos] == L';';
}

// A quoted text starting at line[*pos] == '"', with \\ and \" escapes; other
// backslashes stay as they are.
bool ReadQuoted(const std::wstring& line, size_t* pos, std::wstring* out) {
  out->clear();
  size_t i = *pos + 1;
  while (i < line.size()) {
    const wchar_t ch = line[i];
    if (ch == L'\\' && i + 1 < line.size() && (line[i + 1] == L'\\' || line[i + 1] == L'"')) {
      *out += line[i + 1];
      i += 2;
    } else if (ch == L'"') {
      *pos = i + 1;
      return true;
    } else {
      *out += ch;
      ++i;
    }
  }
  return false;
}

int HexValue(wchar_t ch) {
  if (ch >= L'0' && ch <= L'9') return ch - L'0';
  if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
  if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
  return -1;
}

bool ReadHexNumber(const std::wstring& text, size_t max_digits, uint32_t* value) {
  if (text.empty() || text.size() > max_digits) return false;
  uint32_t result = 0;
  for (wchar_t ch : text) {
    const int digit = HexValue(ch);
    if (digit < 0) return false;
    result = result * 16 + static_cast<uint32_t>(digit);
  }
  *value = result;
  return true;
}

bool StartsWithNoCase(const std::wstring& text, size_t pos, const wchar_t* prefix) {
  for (size_t i = 0; prefix[i] != 0; ++i) {
    if (pos + i >= text.size()) return false;
    wchar_t ch = text[pos + i];
    if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
    if (ch != prefix[i]) return false;
  }
  return true;
}

// "01,ab, 2" -> bytes; a trailing comma is allowed.
bool ParseByteList(const std::wstring& text, std::vector<uint8_t>* bytes) {
  bytes->clear();
  const std::wstring all = TrimSpaces(text);
  if (all.empty()) return true;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(L',', start);
    const bool last = end == std::wstring::npos;
    if (last) end = all.size();
    const std::wstring token = TrimSpaces(all.substr(start, end - start));
    if (token.empty()) {
      if (!last || start == 0) return false;  // only a trailing comma may leave one
    } else {
      uint32_t value = 0;
      if (!ReadHexNumber(token, 2, &value)) return false;
      bytes->push_back(static_cast<uint8_t>(value));
    }
    if (last) break;
    start = end + 1;
  }
  return true;
}

std::vector<uint8_t> WideBytes(const std::wstring& text) {
  std::vector<uint8_t> bytes = RegStringBytes(text);
  bytes.resize(bytes.size() - 2);
  return bytes;
}

bool ParseKeyName(const std::wstring& inner, RegOp* op) {
  size_t slash = inner.find(L'\\');
  std::wstring root = inner.substr(0, slash);
  if (root.empty()) return false;
  for (wchar_t& ch : root) {
    if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
  }
  op->root = root;
  op->parts.clear();
  if (slash == std::wstring::npos) return true;
  if (SplitKeyPath(inner.substr(slash + 1), &op->parts) != kRegOk) return false;
  for (const std::wstring& part : op->parts) {
    if (part.size() > kMaxKeyNameLength) return false;
  }
  return true;
}

bool ParseRegText(const std::wstring& text, std::vector<RegOp>* ops) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (!lines.empty() && !lines[0].empty() && lines[0][0] == 0xFEFF) lines[0].erase(0, 1);

  size_t i = 0;
  while (i < lines.size() && TrimSpaces(lines[i]).empty()) ++i;
  if (i == lines.size()) return false;
  const std::wstring header = TrimSpaces(lines[i]);
  bool unicode = true;
  if (header == L"Windows Registry Editor Version 5.00") {
    unicode = true;
  } else if (header == L"REGEDIT4") {
    unicode = false;
  } else {
    return false;
  }

  RegOp key;  // the current key
  bool have_key = false;
  for (++i; i < lines.size(); ++i) {
    const std::wstring line = TrimSpaces(lines[i]);
    if (line.empty() || line[0] == L';') continue;

    if (line[0] == L'[') {
      const size_t close = line.rfind(L']');
      if (close == std::wstring::npos || close < 1 || !RestIsEmpty(line, close + 1)) return false;
      std::wstring inner = line.substr(1, close - 1);
      const bool remove = !inner.empty() && inner[0] == L'-';
      if (remove) inner.erase(0, 1);
      if (!ParseKeyName(inner, &key)) return false;
      if (remove && key.parts.empty()) return false;  // a root cannot be removed
      key.kind = remove ? RegOp::kDeleteKey : RegOp::kCreateKey;
      ops->push_back(key);
      have_key = true;
      continue;
    }

    if (line[0] != L'"' && line[0] != L'@') return false;
    if (!have_key || key.kind == RegOp::kDeleteKey) return false;
    RegOp op;
    op.root = key.root;
    op.parts = key.parts;
    size_t pos = 0;
    if (line[0] == L'@') {
      pos = 1;
    } else if (!ReadQuoted(line, &pos, &op.name)) {
      return false;
    }
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    if (pos == line.size() || line[pos] != L'=') return false;
    ++pos;
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    if (pos == line.size()) return false;

    if (line[pos] == L'-') {
      if (!RestIsEmpty(line, pos + 1)) return false;
      op.kind = RegOp::kDeleteValue;
    } else if (line[pos] == L'"') {
      std::wstring value;
      if (!ReadQuoted(line, &pos, &value) || !RestIsEmpty(line, pos)) return false;
      op.kind = RegOp::kSetValue;
      op.type = kRegSz;
      op.data = RegStringBytes(value);
    } else if (StartsWithNoCase(line, pos, L"dword:")) {
      std::wstring digits = line.substr(pos + 6);
      const size_t comment = digits.find(L';');
      if (comment != std::wstring::npos) digits.erase(comment);
      uint32_t value = 0;
      if (!ReadHexNumber(TrimSpaces(digits), 8, &value)) return false;
      op.kind = RegOp::kSetValue;
      op.type = kRegDword;
      op.data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    } else if (StartsWithNoCase(line, pos, L"hex")) {
      pos += 3;
      uint32_t type = kRegBinary;
      if (pos < line.size() && line[pos] == L'(') {
        const size_t close = line.find(L')', pos);
        if (close == std::wstring::npos || !ReadHexNumber(line.substr(pos + 1, close - pos - 1), 8, &type)) {
          return false;
        }
        pos = close + 1;
      }
      if (pos == line.size() || line[pos] != L':') return false;
      // The byte list, continued on following lines after a trailing "\".
      std::wstring list;
      std::wstring segment = line.substr(pos + 1);
      while (true) {
        const size_t comment = segment.find(L';');
        if (comment != std::wstring::npos) segment.erase(comment);
        segment = TrimSpaces(segment);
        if (segment.empty() || segment.back() != L'\\') {
          list += segment;
          break;
        }
        segment.pop_back();
        list += segment;
        if (i + 1 >= lines.size()) return false;
        segment = lines[++i];
      }
      std::vector<uint8_t> bytes;
      if (!ParseByteList(list, &bytes)) return false;
      if (!unicode && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        bytes = WideBytes(DecodeAnsi(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      }
      op.kind = RegOp::kSetValue;
      op.type = type;
      op.data = std::move(bytes);
    } else {
      return false;
    }
    ops->push_back(std::move(op));
  }
  return true;
}

// Applies parsed operations; every root must already have been resolved.
template <typename ResolveRoot>
void ApplyOps(const std::vector<RegOp>& ops, ResolveRoot resolve) {
  for (const RegOp& op : ops) {
    Node* root = resolve(op.root);
    switch (op.kind) {
      case RegOp::kCreateKey:
        CreatePath(root, op.parts);
        break;
      case RegOp::kDeleteKey:
        if (Node* node = FindPath(root, op.parts)) DeleteTree(node);
        break;
      case RegOp::kSetValue:
        CreatePath(root, op.parts)->PutValue(op.name, op.type, op.data);
        break;
      case RegOp::kDeleteValue:
        if (Node* node = FindPath(root, op.parts)) node->EraseValue(op.name);
        break;
    }
  }
}

}  // namespace

struct MemoryRegistry::Impl {
  struct Handle {
    std::shared_ptr<Node> node;
    uint32_t access = 0;
  };
  struct HiveFile {
    std::wstring path;
    std::shared_ptr<Node> root;
    std::wstring mounted_as;  // "" when not mounted
  };

  std::mutex mutex;
  std::shared_ptr<Node> local_machine = MakeRoot(L"HKEY_LOCAL_MACHINE");
  std::shared_ptr<Node> current_user = MakeRoot(L"HKEY_CURRENT_USER");
  std::shared_ptr<Node> users = MakeRoot(L"HKEY_USERS");
  std::shared_ptr<Node> current_config = MakeRoot(L"HKEY_CURRENT_CONFIG");
  std::map<Key, Handle> handles;
  Key next_key = 1;
  std::map<std::wstring, HiveFile> files;  // by folded path
  std::set<std::wstring> privileges;       // enabled, folded

  static std::shared_ptr<Node> MakeRoot(const wchar_t* name) {
    auto node = std::make_shared<Node>();
    node->name = name;
    return node;
  }

  std::vector<std::wstring> ClassesPath() const { return {L"SOFTWARE", L"Classes"}; }

  // The node behind a predefined key; null for anything else.
  Node* Root(uint32_t handle) {
    switch (handle) {
      case kHkeyLocalMachine:
        return local_machine.get();
      case kHkeyCurrentUser:
        return current_user.get();
      case kHkeyUsers:
        return users.get();
      case kHkeyCurrentConfig:
        return current_config.get();
      case kHkeyClassesRoot:
        return CreatePath(local_machine.get(), ClassesPath());
      default:
        return nullptr;
    }
  }

  Node* RootByName(const std::wstring& upper) {
    if (upper == L"HKEY_LOCAL_MACHINE" || upper == L"HKLM") return local_machine.get();
    if (upper == L"HKEY_CURRENT_USER" || upper == L"HKCU") return current_user.get();
    if (upper == L"HKEY_USERS" || upper == L"HKU") return users.get();
    if (upper == L"HKEY_CURRENT_CONFIG" || upper == L"HKCC") return current_config.get();
    if (upper == L"HKEY_CLASSES_ROOT" || upper == L"HKCR") return Root(kHkeyClassesRoot);
    return nullptr;
  }

  static bool KnownRootName(const std::wstring& upper) {
    static const wchar_t* const kNames[] = {
        L"HKEY_LOCAL_MACHINE", L"HKLM", L"HKEY_CURRENT_USER", L"HKCU", L"HKEY_USERS", L"HKU",
        L"HKEY_CURRENT_CONFIG", L"HKCC", L"HKEY_CLASSES_ROOT", L"HKCR"};
    for (const wchar_t* name : kNames) {
      if (upper == name) return true;
    }
    return false;
  }

  Key AddHandle(Node* node, uint32_t access) {
    // Every node is owned by its parent's map (or is a root); find its owner.
    std::shared_ptr<Node> shared;
    if (node->parent != nullptr) {
      shared = node->parent->children.at(Fold(node->name));
    } else {
      for (auto* root : {&local_machine, &current_user, &users, &current_config}) {
        if (root->get() == node) shared = *root;
      }
    }
    const Key key = next_key++;
    handles[key] = Handle{shared, access};
    return key;
  }

  long FindHandle(Key key, uint32_t needed, Node** node) {
    auto it = handles.find(key);
    if (it == handles.end()) return kErrInvalidHandle;
    if (it->second.node->deleted) return kErrKeyDeleted;
    if ((it->second.access & needed) != needed) return kRegAccessDenied;
    *node = it->second.node.get();
    return kRegOk;
  }

  bool PrivilegeEnabled(const wchar_t* name) const { return privileges.count(Fold(name)) != 0; }
};

MemoryRegistry::MemoryRegistry() : impl_(new Impl) {
  CreatePath(impl_->local_machine.get(), impl_->ClassesPath());
}

MemoryRegistry::~MemoryRegistry() = default;

long MemoryRegistry::OpenKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  *key = 0;
  Node* start = impl_->Root(root);
  if (start == nullptr) return kErrInvalidHandle;
  std::vector<std::wstring> parts;
  const long split = SplitKeyPath(path, &parts);
  if (split != kRegOk) return split;
  Node* node = FindPath(start, parts);
  if (node == nullptr) return kRegFileNotFound;
  *key = impl_->AddHandle(node, access);
  return kRegOk;
}

long MemoryRegistry::CreateKey(uint32_t root, const std::wstring& path, uint32_t access,
                               Key* key) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  *key = 0;
  Node* start = impl_->Root(root);
  if (start == nullptr) return kErrInvalidHandle;
  std::vector<std::wstring> parts;
  const long split = SplitKeyPath(path, &parts);
  if (split != kRegOk) return split;
  for (const std::wstring& part : parts) {
    if (part.size() > kMaxKeyNameLength) return kErrInvalidParameter;
  }
  *key = impl_->AddHandle(CreatePath(start, parts), access);
  return kRegOk;
}

long MemoryRegistry::QueryValue(Key key, const std::wstring& name, uint32_t* type,
                                uint32_t* size, std::vector<uint8_t>* data) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* node = nullptr;
  const long found = impl_->FindHandle(key, kKeyQueryValue, &node);
  if (found != kRegOk) return found;
  const Value* value = node->FindValue(name);
  if (value == nullptr) return kRegFileNotFound;
  if (type != nullptr) *type = value->type;
  if (size != nullptr) *size = static_cast<uint32_t>(value->data.size());
  if (data != nullptr) *data = value->data;
  return kRegOk;
}

long MemoryRegistry::SetValue(Key key, const std::wstring& name, uint32_t type,
                              const uint8_t* data, uint32_t size) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* node = nullptr;
  const long found = impl_->FindHandle(key, kKeySetValue, &node);
  if (found != kRegOk) return found;
  if (data == nullptr && size != 0) return kErrInvalidParameter;
  node->PutValue(name, type, std::vector<uint8_t>(data, data + size));
  return kRegOk;
}

long MemoryRegistry::EnumKey(Key key, uint32_t index, std::wstring* name) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* node = nullptr;
  const long found = impl_->FindHandle(key, kKeyEnumerateSubKeys, &node);
  if (found != kRegOk) return found;
  if (index >= node->children.size()) return kRegNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  if (it->second->name.size() >= kEnumNameBuffer) return kRegMoreData;
  *name = it->second->name;
  return kRegOk;
}

void MemoryRegistry::CloseKey(Key key) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->handles.erase(key);
}

long MemoryRegistry::LoadHive(const std::wstring& name, const std::wstring& file) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->PrivilegeEnabled(L"SeRestorePrivilege")) return kErrPrivilegeNotHeld;
  if (name.empty() || name.find(L'\\') != std::wstring::npos ||
      name.size() > kMaxKeyNameLength) {
    return kErrInvalidParameter;
  }
  auto it = impl_->files.find(Fold(file));
  if (it == impl_->files.end()) return kRegFileNotFound;
  Impl::HiveFile& hive = it->second;
  if (!hive.mounted_as.empty()) return kErrSharingViolation;
  Node* machine = impl_->local_machine.get();
  if (machine->Child(name) != nullptr) return kRegAccessDenied;
  hive.root->name = name;
  hive.root->parent = machine;
  machine->children[Fold(name)] = hive.root;
  hive.mounted_as = name;
  return kRegOk;
}

long MemoryRegistry::UnloadHive(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->PrivilegeEnabled(L"SeRestorePrivilege")) return kErrPrivilegeNotHeld;
  for (auto& entry : impl_->files) {
    Impl::HiveFile& hive = entry.second;
    if (hive.mounted_as.empty() || Fold(hive.mounted_as) != Fold(name)) continue;
    for (const auto& handle : impl_->handles) {
      if (IsBelow(handle.second.node.get(), hive.root.get())) return kRegAccessDenied;
    }
    impl_->local_machine->children.erase(Fold(name));
    hive.root->parent = nullptr;
    hive.mounted_as.clear();
    return kRegOk;
  }
  return kErrInvalidParameter;
}

bool MemoryRegistry::SetPrivilege(const std::wstring& privilege, bool enable) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const std::wstring folded = Fold(privilege);
  bool known = false;
  for (const wchar_t* name : kPrivilegeNames) {
    if (Fold(name) == folded) known = true;
  }
  if (!known) return false;
  if (enable) {
    impl_->privileges.insert(folded);
  } else {
    impl_->privileges.erase(folded);
  }
  return true;
}

bool MemoryRegistry::ImportRegText(const std::wstring& text) {
  std::vector<RegOp> ops;
  if (!ParseRegText(text, &ops)) return false;
  for (const RegOp& op : ops) {
    if (!Impl::KnownRootName(op.root)) return false;
  }
  std::lock_guard<std::mutex> lock(impl_->mutex);
  ApplyOps(ops, [this](const std::wstring& root) { return impl_->RootByName(root); });
  return true;
}

bool MemoryRegistry::AddHiveFile(const std::wstring& file, const std::wstring& reg_text) {
  std::vector<RegOp> ops;
  if (!ParseRegText(reg_text, &ops)) return false;
  for (const RegOp& op : ops) {
    if (op.root != L"HIVE") return false;
  }
  auto root = std::make_shared<Node>();
  root->hive_root = true;
  ApplyOps(ops, [&root](const std::wstring&) { return root.get(); });

  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl::HiveFile& hive = impl_->files[Fold(file)];
  if (!hive.mounted_as.empty()) return false;
  hive.path = file;
  hive.root = std::move(root);
  return true;
}

bool MemoryRegistry::GetRaw(uint32_t root, const std::wstring& path, const std::wstring& name,
                            uint32_t* type, std::vector<uint8_t>* data) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* start = impl_->Root(root);
  std::vector<std::wstring> parts;
  if (start == nullptr || SplitKeyPath(path, &parts) != kRegOk) return false;
  Node* node = FindPath(start, parts);
  if (node == nullptr) return false;
  const Value* value = node->FindValue(name);
  if (value == nullptr) return false;
  if (type != nullptr) *type = value->type;
  if (data != nullptr) *data = value->data;
  return true;
}

}  // namespace orvane
