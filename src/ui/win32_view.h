// The window view for workers on Windows: every call is handed to the
// window's own thread through a hidden dispatcher window (SendMessage), so
// the controls are changed only there and in the worker's order. Calls made
// on the window's thread itself run directly.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "app/window_view.h"

namespace orvane {

class Win32View : public WindowView {
 public:
  // Small icon for a tree item or list line (the view destroys it after
  // adding it to the control's image list); null for none.
  using IconProvider = std::function<HICON(const ItemIcon&)>;
  // Makes page 1..6 visible; runs on the window's thread.
  using PageSwitcher = std::function<void(int page)>;

  // Must be created on the window's thread; false from Create() when the
  // dispatcher window cannot be made.
  Win32View();
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  bool Create();
  // Names a control. Labels and buttons take SetText/SetEnabled/Focus; the
  // log view a rich-edit control; trees a tree view with check boxes; lists a
  // report list view or a list box. Binding a tree subclasses its parent so
  // that item colours are painted (custom draw); the parent must stay alive
  // as long as the view.
  void Bind(ViewControl control, HWND handle);
  void SetIconProvider(IconProvider provider) { icon_provider_ = std::move(provider); }
  void SetPageSwitcher(PageSwitcher switcher) { page_switcher_ = std::move(switcher); }
  // After Detach() every call is ignored and reads give their empty answer;
  // used when the window goes away while a worker may still report.
  void Detach();

  void SetText(ViewControl control, const std::wstring& text) override;
  void SetEnabled(ViewControl control, bool enabled) override;
  void Focus(ViewControl control) override;
  void AppendLog(const std::wstring& text) override;
  void ShowPage(int page) override;
  void ClearTree(ViewControl tree) override;
  void AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) override;
  void SetTreeItemColour(ViewControl tree, int index, ItemColour colour) override;
  void SetTreeItemChecked(ViewControl tree, int index, bool checked) override;
  int TreeItemCount(ViewControl tree) override;
  bool IsTreeItemChecked(ViewControl tree, int index) override;
  int64_t TreeItemData(ViewControl tree, int index) override;
  void ClearList(ViewControl list) override;
  void AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) override;
  int SelectedListLine(ViewControl list) override;

 private:
  struct Call;
  static LRESULT CALLBACK DispatchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Runs call on the window's thread and returns its answer; fallback when
  // the view is detached or the window's thread cannot be reached.
  int64_t Run(const std::function<int64_t()>& call, int64_t fallback = 0);
  HWND Handle(ViewControl control) const;

  DWORD owner_thread_ = 0;
  HWND dispatcher_ = nullptr;
  std::atomic<bool> detached_{false};
  std::map<ViewControl, HWND> controls_;
  IconProvider icon_provider_;
  PageSwitcher page_switcher_;
};

}  // namespace orvane
