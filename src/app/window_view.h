// What a worker sees of the window it reports to: named controls whose texts,
// enabled states, tree items, list lines and log view it changes, and the few
// things it reads back (check marks, the selected list line). Every call is
// carried out in the order the worker makes them; reads wait for the answer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// The controls that workers write to or read from.
enum class ViewControl : int {
  // Command window.
  CmdStatus,
  CmdLog,
  // Main window, device page.
  TargetLine,
  DeviceCount,
  DeviceTree,
  DeviceStatus1,
  DeviceStatus2,
  DeviceImport,
  // Main window, manual import page.
  SourcePathField,
  DriverList,
  DriverTypeValue,
  DriverHardwareIdValue,
  DriverInfValue,
  DriverPackageValue,
  SourceCounter,
  SourceStatus1,
  SourceStatus2,
  SourceRefresh,
  ImportSelected,
  // Main window, choice of installation.
  WindowsChoice,
};

// Text colour of a tree item.
struct ItemColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

inline bool operator==(const ItemColour& a, const ItemColour& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The small icon shown before a tree item or list line: the icon of a setup
// class as the running system's Windows folder provides it. An empty class
// name means no icon.
struct ItemIcon {
  std::wstring class_name;
  std::wstring windows_directory;
};

class WindowView {
 public:
  virtual ~WindowView() = default;

  // Text of a label, caption of a button.
  virtual void SetText(ViewControl control, const std::wstring& text) = 0;
  virtual void SetEnabled(ViewControl control, bool enabled) = 0;
  virtual void Focus(ViewControl control) = 0;
  // Appends text at the end of the log view (CmdLog).
  virtual void AppendLog(const std::wstring& text) = 0;
  // Makes page 1..6 of the main window the visible one.
  virtual void ShowPage(int page) = 0;

  // Tree items (DeviceTree), counted from 0 in the order added.
  virtual void ClearTree(ViewControl tree) = 0;
  // Adds a top-level item after the last one, not checked.
  virtual void AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) = 0;
  virtual void SetTreeItemColour(ViewControl tree, int index, ItemColour colour) = 0;
  virtual void SetTreeItemChecked(ViewControl tree, int index, bool checked) = 0;
  virtual int TreeItemCount(ViewControl tree) = 0;
  virtual bool IsTreeItemChecked(ViewControl tree, int index) = 0;
  // Item data given when the item was added; 0 for a missing item.
  virtual int64_t TreeItemData(ViewControl tree, int index) = 0;

  // Lines of a list (DriverList: one text per column; WindowsChoice: one
  // text), counted from 0 in the order added.
  virtual void ClearList(ViewControl list) = 0;
  virtual void AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) = 0;
  // Index of the selected line, -1 when none is selected.
  virtual int SelectedListLine(ViewControl list) = 0;
};

}  // namespace orvane
