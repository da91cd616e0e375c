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

inline const wchar_t* ViewControlName(ViewControl control) {
  switch (control) {
    case ViewControl::CmdStatus: return L"CmdStatus";
    case ViewControl::CmdLog: return L"CmdLog";
    case ViewControl::TargetLine: return L"TargetLine";
    case ViewControl::DeviceCount: return L"DeviceCount";
    case ViewControl::DeviceTree: return L"DeviceTree";
    case ViewControl::DeviceStatus1: return L"DeviceStatus1";
    case ViewControl::DeviceStatus2: return L"DeviceStatus2";
    case ViewControl::DeviceImport: return L"DeviceImport";
    case ViewControl::SourcePathField: return L"SourcePathField";
    case ViewControl::DriverList: return L"DriverList";
    case ViewControl::DriverTypeValue: return L"DriverTypeValue";
    case ViewControl::DriverHardwareIdValue: return L"DriverHardwareIdValue";
    case ViewControl::DriverInfValue: return L"DriverInfValue";
    case ViewControl::DriverPackageValue: return L"DriverPackageValue";
    case ViewControl::SourceCounter: return L"SourceCounter";
    case ViewControl::SourceStatus1: return L"SourceStatus1";
    case ViewControl::SourceStatus2: return L"SourceStatus2";
    case ViewControl::SourceRefresh: return L"SourceRefresh";
    case ViewControl::ImportSelected: return L"ImportSelected";
    case ViewControl::WindowsChoice: return L"WindowsChoice";
  }
  return L"?";
}

class RecordingView : public WindowView {
 public:
  struct TreeItem {
    std::wstring text;
    ItemIcon icon;
    int64_t data = 0;
    bool checked = false;
    bool coloured = false;
    ItemColour colour;
  };
  struct ListLine {
    std::vector<std::wstring> columns;
    ItemIcon icon;
  };

  // --- WindowView -----------------------------------------------------------

  void SetText(ViewControl control, const std::wstring& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_[control] = text;
    Record(L"SetText " + Name(control) + L"=" + text);
  }
  void SetEnabled(ViewControl control, bool enabled) override {
    std::lock_guard<std::mutex> lock(mutex_);
    enabled_[control] = enabled;
    Record(std::wstring(enabled ? L"Enable " : L"Disable ") + Name(control));
  }
  void Focus(ViewControl control) override {
    std::lock_guard<std::mutex> lock(mutex_);
    focus_ = control;
    Record(L"Focus " + Name(control));
  }
  void AppendLog(const std::wstring& text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    log_ += text;
    Record(L"AppendLog " + text);
  }
  void ShowPage(int page) override {
    std::lock_guard<std::mutex> lock(mutex_);
    page_ = page;
    Record(L"ShowPage " + std::to_wstring(page));
  }
  void ClearTree(ViewControl tree) override {
    std::lock_guard<std::mutex> lock(mutex_);
    trees_[tree].clear();
    Record(L"ClearTree " + Name(tree));
  }
  void AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) override {
    std::lock_guard<std::mutex> lock(mutex_);
    TreeItem item;
    item.text = text;
    item.icon = icon;
    item.data = data;
    trees_[tree].push_back(item);
    Record(L"AddTreeItem " + Name(tree) + L" " + text + L" [" + icon.class_name + L"] " + std::to_wstring(data));
  }
  void SetTreeItemColour(ViewControl tree, int index, ItemColour colour) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (TreeItem* item = Item(tree, index)) {
      item->coloured = true;
      item->colour = colour;
    }
    Record(L"SetTreeItemColour " + Name(tree) + L" " + std::to_wstring(index) + L" " + std::to_wstring(colour.red) +
           L"," + std::to_wstring(colour.green) + L"," + std::to_wstring(colour.blue));
  }
  void SetTreeItemChecked(ViewControl tree, int index, bool checked) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (TreeItem* item = Item(tree, index)) item->checked = checked;
    Record(L"SetTreeItemChecked " + Name(tree) + L" " + std::to_wstring(index) + (checked ? L" on" : L" off"));
  }
  int TreeItemCount(ViewControl tree) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(trees_[tree].size());
  }
  bool IsTreeItemChecked(ViewControl tree, int index) override {
    std::lock_guard<std::mutex> lock(mutex_);
    TreeItem* item = Item(tree, index);
    return item && item->checked;
  }
  int64_t TreeItemData(ViewControl tree, int index) override {
    std::lock_guard<std::mutex> lock(mutex_);
    TreeItem* item = Item(tree, index);
    return item ? item->data : 0;
  }
  void ClearList(ViewControl list) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lists_[list].clear();
    selected_[list] = -1;
    Record(L"ClearList " + Name(list));
  }
  void AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lists_[list].push_back(ListLine{columns, icon});
    std::wstring joined;
    for (size_t i = 0; i < columns.size(); ++i) joined += (i ? L" | " : L"") + columns[i];
    Record(L"AddListLine " + Name(list) + L" " + joined);
  }
  int SelectedListLine(ViewControl list) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = selected_.find(list);
    int selected = found == selected_.end() ? -1 : found->second;
    return selected < static_cast<int>(lists_[list].size()) ? selected : -1;
  }

  // --- What the test sees and sets -------------------------------------------

  std::vector<std::wstring> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::wstring text(ViewControl control) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = texts_.find(control);
    return found == texts_.end() ? std::wstring() : found->second;
  }
  // Controls start enabled.
  bool enabled(ViewControl control) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = enabled_.find(control);
    return found == enabled_.end() || found->second;
  }
  std::wstring log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
  }
  ViewControl focused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return focus_;
  }
  int page() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return page_;
  }
  std::vector<TreeItem> tree(ViewControl control = ViewControl::DeviceTree) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = trees_.find(control);
    return found == trees_.end() ? std::vector<TreeItem>() : found->second;
  }
  std::vector<ListLine> list(ViewControl control = ViewControl::DriverList) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = lists_.find(control);
    return found == lists_.end() ? std::vector<ListLine>() : found->second;
  }
  // The user ticks an item / selects a line (not recorded as a call).
  void Check(int index, bool checked = true, ViewControl control = ViewControl::DeviceTree) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (TreeItem* item = Item(control, index)) item->checked = checked;
  }
  void Select(int line, ViewControl control = ViewControl::DriverList) {
    std::lock_guard<std::mutex> lock(mutex_);
    selected_[control] = line;
  }

 private:
  static std::wstring Name(ViewControl control) { return ViewControlName(control); }
  void Record(const std::wstring& call) { calls_.push_back(call); }
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
