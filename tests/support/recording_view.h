// A window view for tests of worker logic: it keeps the state a window would
// show (texts, enabled states, tree items, list lines, the log) and records
// every call in order as one line of text. Tests set check marks and the
// selected line to drive the reads. The workers under test run on the
// test's thread: the view is not made for calls from several threads.
#pragma once

#include <string>
#include <vector>

#include "app/window_view.h"

namespace orvane {

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

  // --- WindowView: each change is recorded as "<Method> <control> <values>" --

  void SetText(ViewControl control, const std::wstring& text) override {
    Record(L"SetText " + Name(control) + L"=" + text, [&] { Of(control).text = text; });
  }
  void SetEnabled(ViewControl control, bool enabled) override {
    Record((enabled ? L"Enable " : L"Disable ") + Name(control), [&] { Of(control).enabled = enabled; });
  }
  void Focus(ViewControl control) override {
    Record(L"Focus " + Name(control), [&] { focus_ = control; });
  }
  void AppendLog(const std::wstring& text) override {
    Record(L"AppendLog " + text, [&] { log_ += text; });
  }
  void ShowPage(int page) override {
    Record(L"ShowPage " + std::to_wstring(page), [&] { page_ = page; });
  }
  void ClearTree(ViewControl tree) override {
    Record(L"ClearTree " + Name(tree), [&] { Of(tree).tree.clear(); });
  }
  void AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) override {
    Record(L"AddTreeItem " + Name(tree) + L" " + text + L" [" + icon.class_name + L"] " + std::to_wstring(data), [&] {
      Of(tree).tree.push_back(TreeItem{text, icon, data, false, ItemColour{}});
    });
  }
  void SetTreeItemColour(ViewControl tree, int index, ItemColour colour) override {
    Record(L"SetTreeItemColour " + Name(tree) + L" " + std::to_wstring(index) + L" " + std::to_wstring(colour.red) +
               L"," + std::to_wstring(colour.green) + L"," + std::to_wstring(colour.blue),
           [&] { Item(tree, index).colour = colour; });
  }
  void SetTreeItemChecked(ViewControl tree, int index, bool checked) override {
    Record(L"SetTreeItemChecked " + Name(tree) + L" " + std::to_wstring(index) + (checked ? L" on" : L" off"),
           [&] { Item(tree, index).checked = checked; });
  }
  int TreeItemCount(ViewControl tree) override { return static_cast<int>(Of(tree).tree.size()); }
  bool IsTreeItemChecked(ViewControl tree, int index) override { return Item(tree, index).checked; }
  int64_t TreeItemData(ViewControl tree, int index) override { return Item(tree, index).data; }
  void ClearList(ViewControl list) override {
    Record(L"ClearList " + Name(list), [&] {
      Of(list).list.clear();
      Of(list).selected = -1;
    });
  }
  void AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) override {
    std::wstring joined;
    for (size_t i = 0; i < columns.size(); ++i) joined += (i ? L" | " : L"") + columns[i];
    Record(L"AddListLine " + Name(list) + L" " + joined, [&] { Of(list).list.push_back(ListLine{columns, icon}); });
  }
  int SelectedListLine(ViewControl list) override {
    return Of(list).selected < static_cast<int>(Of(list).list.size()) ? Of(list).selected : -1;
  }

  // --- What the test sees and sets -------------------------------------------

  std::vector<std::wstring> calls() const { return calls_; }
  std::wstring text(ViewControl control) const { return Of(control).text; }
  // Controls start enabled.
  bool enabled(ViewControl control) const { return Of(control).enabled; }
  std::wstring log() const { return log_; }
  ViewControl focused() const { return focus_; }
  int page() const { return page_; }
  std::vector<TreeItem> tree(ViewControl control = ViewControl::DeviceTree) const { return Of(control).tree; }
  std::vector<ListLine> list(ViewControl control = ViewControl::DriverList) const { return Of(control).list; }
  // The user ticks an item / selects a line (not recorded as a call).
  void Check(int index, bool checked = true, ViewControl control = ViewControl::DeviceTree) {
    Item(control, index).checked = checked;
  }
  void Select(int line, ViewControl control = ViewControl::DriverList) { Of(control).selected = line; }

 private:
  struct Control {
    std::wstring text;
    bool enabled = true;
    std::vector<TreeItem> tree;
    std::vector<ListLine> list;
    int selected = -1;
  };

  template <typename Change>
  void Record(const std::wstring& call, Change change) {
    calls_.push_back(call);
    change();
  }
  // The control's name as the recorded calls spell it.
  static std::wstring Name(ViewControl control) {
    // clang-format off
    static const wchar_t* const kNames[] = {
        L"CmdStatus", L"CmdLog", L"TargetLine", L"DeviceCount", L"DeviceTree", L"DeviceStatus1", L"DeviceStatus2",
        L"DeviceImport", L"SourcePathField", L"DriverList", L"DriverTypeValue", L"DriverHardwareIdValue",
        L"DriverInfValue", L"DriverPackageValue", L"SourceCounter", L"SourceStatus1", L"SourceStatus2",
        L"SourceRefresh", L"ImportSelected", L"WindowsChoice"};
    // clang-format on
    return kNames[static_cast<size_t>(control)];
  }
  Control& Of(ViewControl control) { return controls_[static_cast<size_t>(control)]; }
  const Control& Of(ViewControl control) const { return controls_[static_cast<size_t>(control)]; }
  // The item at index, or a blank one that nothing keeps when there is none.
  TreeItem& Item(ViewControl tree, int index) {
    std::vector<TreeItem>& items = Of(tree).tree;
    return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<size_t>(index)] : (none_ = {});
  }

  std::vector<std::wstring> calls_;
  Control controls_[static_cast<size_t>(ViewControl::WindowsChoice) + 1];
  ViewControl focus_ = ViewControl::CmdStatus;
  std::wstring log_;
  int page_ = 0;
  TreeItem none_;
};

}  // namespace orvane
