// A window view for tests of worker logic: it keeps the state a window would
// show (texts, enabled states, tree items, list lines, the log) and records
// every call in order as one line of text. Tests set check marks and the
// selected line to drive the reads.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/window_view.h"

namespace orvane {

// The control's name as the recorded calls spell it.
inline const wchar_t* ViewControlName(ViewControl control) {
  static const wchar_t* const kNames[] = {
      L"CmdStatus",       L"CmdLog",         L"TargetLine",      L"DeviceCount",          L"DeviceTree",
      L"DeviceStatus1",   L"DeviceStatus2",  L"DeviceImport",    L"SourcePathField",      L"DriverList",
      L"DriverTypeValue", L"DriverHardwareIdValue", L"DriverInfValue", L"DriverPackageValue", L"SourceCounter",
      L"SourceStatus1",   L"SourceStatus2",  L"SourceRefresh",   L"ImportSelected",       L"WindowsChoice"};
  const size_t index = static_cast<size_t>(control);
  return index < sizeof kNames / sizeof kNames[0] ? kNames[index] : L"?";
}

class RecordingView : public WindowView {
 public:
  struct TreeItem {
    std::wstring text;
    ItemIcon icon;
    int64_t data = 0;
    bool checked = false;
    ItemColour colour;
  };
  struct ListLine {
    std::vector<std::wstring> columns;
    ItemIcon icon;
  };

  // --- WindowView -----------------------------------------------------------

  void SetText(ViewControl control, const std::wstring& text) override {
    Locked lock(this, L"SetText " + Name(control) + L"=" + text);
    texts_[control] = text;
  }
  void SetEnabled(ViewControl control, bool enabled) override {
    Locked lock(this, (enabled ? L"Enable " : L"Disable ") + Name(control));
    enabled_[control] = enabled;
  }
  void Focus(ViewControl control) override {
    Locked lock(this, L"Focus " + Name(control));
    focus_ = control;
  }
  void AppendLog(const std::wstring& text) override {
    Locked lock(this, L"AppendLog " + text);
    log_ += text;
  }
  void ShowPage(int page) override {
    Locked lock(this, L"ShowPage " + std::to_wstring(page));
    page_ = page;
  }
  void ClearTree(ViewControl tree) override {
    Locked lock(this, L"ClearTree " + Name(tree));
    trees_[tree].clear();
  }
  void AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) override {
    Locked lock(this, L"AddTreeItem " + Name(tree) + L" " + text + L" [" + icon.class_name + L"] " +
                          std::to_wstring(data));
    TreeItem item;
    item.text = text;
    item.icon = icon;
    item.data = data;
    trees_[tree].push_back(item);
  }
  void SetTreeItemColour(ViewControl tree, int index, ItemColour colour) override {
    Locked lock(this, L"SetTreeItemColour " + Name(tree) + L" " + std::to_wstring(index) + L" " +
                          std::to_wstring(colour.red) + L"," + std::to_wstring(colour.green) + L"," +
                          std::to_wstring(colour.blue));
    if (TreeItem* item = Item(tree, index)) item->colour = colour;
  }
  void SetTreeItemChecked(ViewControl tree, int index, bool checked) override {
    Locked lock(this, L"SetTreeItemChecked " + Name(tree) + L" " + std::to_wstring(index) + (checked ? L" on" : L" off"));
    if (TreeItem* item = Item(tree, index)) item->checked = checked;
  }
  int TreeItemCount(ViewControl tree) override {
    Locked lock(this);
    return static_cast<int>(trees_[tree].size());
  }
  bool IsTreeItemChecked(ViewControl tree, int index) override {
    Locked lock(this);
    TreeItem* item = Item(tree, index);
    return item && item->checked;
  }
  int64_t TreeItemData(ViewControl tree, int index) override {
    Locked lock(this);
    TreeItem* item = Item(tree, index);
    return item ? item->data : 0;
  }
  void ClearList(ViewControl list) override {
    Locked lock(this, L"ClearList " + Name(list));
    lists_[list].clear();
    selected_[list] = -1;
  }
  void AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) override {
    std::wstring joined;
    for (size_t i = 0; i < columns.size(); ++i) joined += (i ? L" | " : L"") + columns[i];
    Locked lock(this, L"AddListLine " + Name(list) + L" " + joined);
    lists_[list].push_back(ListLine{columns, icon});
  }
  int SelectedListLine(ViewControl list) override {
    Locked lock(this);
    auto found = selected_.find(list);
    const int selected = found == selected_.end() ? -1 : found->second;
    return selected < static_cast<int>(lists_[list].size()) ? selected : -1;
  }

  // --- What the test sees and sets -------------------------------------------

  std::vector<std::wstring> calls() const { return Get(calls_); }
  std::wstring text(ViewControl control) const { return Get(texts_, control, std::wstring()); }
  // Controls start enabled.
  bool enabled(ViewControl control) const { return Get(enabled_, control, true); }
  std::wstring log() const { return Get(log_); }
  ViewControl focused() const { return Get(focus_); }
  int page() const { return Get(page_); }
  std::vector<TreeItem> tree(ViewControl control = ViewControl::DeviceTree) const {
    return Get(trees_, control, std::vector<TreeItem>());
  }
  std::vector<ListLine> list(ViewControl control = ViewControl::DriverList) const {
    return Get(lists_, control, std::vector<ListLine>());
  }
  // The user ticks an item / selects a line (not recorded as a call).
  void Check(int index, bool checked = true, ViewControl control = ViewControl::DeviceTree) {
    Locked lock(this);
    if (TreeItem* item = Item(control, index)) item->checked = checked;
  }
  void Select(int line, ViewControl control = ViewControl::DriverList) {
    Locked lock(this);
    selected_[control] = line;
  }

 private:
  // Holds the lock for a call and records it, when it is one that is recorded.
  struct Locked {
    explicit Locked(const RecordingView* view, const std::wstring& call = std::wstring()) : lock(view->mutex_) {
      if (!call.empty()) const_cast<RecordingView*>(view)->calls_.push_back(call);
    }
    std::lock_guard<std::mutex> lock;
  };
  template <typename T>
  T Get(const T& value) const {
    Locked lock(this);
    return value;
  }
  template <typename Map, typename T>
  T Get(const Map& map, ViewControl control, const T& otherwise) const {
    Locked lock(this);
    auto found = map.find(control);
    return found == map.end() ? otherwise : found->second;
  }
  static std::wstring Name(ViewControl control) { return ViewControlName(control); }
  TreeItem* Item(ViewControl tree, int index) {
    std::vector<TreeItem>& items = trees_[tree];
    if (index < 0 || index >= static_cast<int>(items.size())) return nullptr;
    return &items[static_cast<size_t>(index)];
  }

  mutable std::mutex mutex_;
  std::vector<std::wstring> calls_;
  std::map<ViewControl, std::wstring> texts_;
  std::map<ViewControl, bool> enabled_;
  ViewControl focus_ = ViewControl::CmdStatus;
  std::wstring log_;
  int page_ = 0;
  std::map<ViewControl, std::vector<TreeItem>> trees_;
  std::map<ViewControl, std::vector<ListLine>> lists_;
  std::map<ViewControl, int> selected_;
};

}  // namespace orvane
