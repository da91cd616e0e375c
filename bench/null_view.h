// A window view that shows nothing, so that a worker's reports cost no time
// in a benchmark. It only counts the tree items added since the last clear.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/window_view.h"

namespace orvane {
namespace bench {

class NullView : public WindowView {
 public:
  size_t items = 0;
  void SetText(ViewControl, const std::wstring&) override {}
  void SetEnabled(ViewControl, bool) override {}
  void Focus(ViewControl) override {}
  void AppendLog(const std::wstring&) override {}
  void ShowPage(int) override {}
  void ClearTree(ViewControl) override { items = 0; }
  void AddTreeItem(ViewControl, const std::wstring&, const ItemIcon&, int64_t) override { ++items; }
  void SetTreeItemColour(ViewControl, int, ItemColour) override {}
  void SetTreeItemChecked(ViewControl, int, bool) override {}
  int TreeItemCount(ViewControl) override { return static_cast<int>(items); }
  bool IsTreeItemChecked(ViewControl, int) override { return false; }
  int64_t TreeItemData(ViewControl, int) override { return 0; }
  void ClearList(ViewControl) override {}
  void AddListLine(ViewControl, const std::vector<std::wstring>&, const ItemIcon&) override {}
  int SelectedListLine(ViewControl) override { return -1; }
};

}  // namespace bench
}  // namespace orvane
