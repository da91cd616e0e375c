#include "ui/win32_view.h"

#include <commctrl.h>
#include <richedit.h>

namespace orvane {

namespace {

constexpr const wchar_t* kDispatcherClass = L"OrvaneViewDispatcher";
constexpr UINT kRunCallMessage = WM_APP + 0x51;
constexpr UINT_PTR kColourSubclassId = 0x4F56;  // one subclass per tree parent
constexpr const wchar_t* kColourProperty = L"OrvaneTreeColours";
constexpr int kSmallIcon = 16;

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = {};
  GetClassNameW(window, found, 64);
  return lstrcmpiW(found, name) == 0;
}

HTREEITEM NthTreeItem(HWND tree, int index) {
  if (!tree || index < 0) return nullptr;
  HTREEITEM item = TreeView_GetRoot(tree);
  for (int i = 0; item && i < index; ++i) item = TreeView_GetNextSibling(tree, item);
  return item;
}

// Image index of icon in the control's image list, creating the list on
// first use; -1 without an icon.
int AddIconToList(HIMAGELIST* list, HICON icon) {
  if (!icon) return -1;
  if (!*list) *list = ImageList_Create(kSmallIcon, kSmallIcon, ILC_COLOR32 | ILC_MASK, 8, 8);
  int index = *list ? ImageList_AddIcon(*list, icon) : -1;
  DestroyIcon(icon);
  return index;
}

}  // namespace

// One call handed to the window's thread; lives on the caller's stack.
struct Win32View::Call {
  const std::function<int64_t()>* body;
  int64_t result;
};

// Colours of tree items, kept per item handle on the window's thread and
// painted through custom draw of the tree's parent.
namespace {
struct TreeColours {
  HWND tree;
  std::map<HTREEITEM, COLORREF> colours;
};

LRESULT CALLBACK ColourSubclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                DWORD_PTR data) {
  auto* trees = reinterpret_cast<std::vector<TreeColours>*>(data);
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lparam);
    if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
      for (const TreeColours& tree : *trees) {
        if (tree.tree != header->hwndFrom) continue;
        auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(lparam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
          auto found = tree.colours.find(reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec));
          // A selected item keeps the highlight's text colour only while the
          // tree has the focus: clicking an item's check box selects it, and
          // its colour must show once the focus has moved on.
          const bool highlighted = (draw->nmcd.uItemState & CDIS_SELECTED) && GetFocus() == tree.tree;
          if (found != tree.colours.end() && !highlighted) {
            draw->clrText = found->second;
          }
          return CDRF_DODEFAULT;
        }
      }
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, ColourSubclass, id);
    RemovePropW(window, kColourProperty);
    delete trees;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// The colours of a tree's items, the tree's parent subclassed on first use.
std::map<HTREEITEM, COLORREF>* ColourMapOf(HWND tree) {
  HWND parent = GetParent(tree);
  if (!parent) return nullptr;
  auto* trees = static_cast<std::vector<TreeColours>*>(GetPropW(parent, kColourProperty));
  if (!trees) {
    trees = new std::vector<TreeColours>();
    if (!SetWindowSubclass(parent, ColourSubclass, kColourSubclassId, reinterpret_cast<DWORD_PTR>(trees))) {
      delete trees;
      return nullptr;
    }
    SetPropW(parent, kColourProperty, trees);
  }
  for (TreeColours& entry : *trees) {
    if (entry.tree == tree) return &entry.colours;
  }
  trees->push_back(TreeColours{tree, {}});
  return &trees->back().colours;
}
}  // namespace

Win32View::Win32View() : owner_thread_(GetCurrentThreadId()) {}

Win32View::~Win32View() {
  detached_ = true;
  // The dispatcher belongs to the window's thread; from any other thread it
  // goes with that thread.
  if (dispatcher_ && GetCurrentThreadId() == owner_thread_) DestroyWindow(dispatcher_);
}

bool Win32View::Create() {
  if (dispatcher_) return true;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(instance, kDispatcherClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32View::DispatchProc;
    wc.hInstance = instance;
    wc.lpszClassName = kDispatcherClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  owner_thread_ = GetCurrentThreadId();
  dispatcher_ = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  return dispatcher_ != nullptr;
}

void Win32View::Bind(ViewControl control, HWND handle) {
  Run([this, control, handle]() -> int64_t {
    controls_[control] = handle;
    if (handle && IsClass(handle, WC_TREEVIEWW)) ColourMapOf(handle);
    return 0;
  });
}

void Win32View::Detach() { detached_ = true; }

LRESULT CALLBACK Win32View::DispatchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunCallMessage) {
    auto* call = reinterpret_cast<Call*>(lparam);
    call->result = (*call->body)();
    return 1;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int64_t Win32View::Run(const std::function<int64_t()>& body, int64_t fallback) {
  if (detached_) return fallback;
  if (GetCurrentThreadId() == owner_thread_ || !dispatcher_) return body();
  Call call{&body, fallback};
  // Waits until the window's thread has run the call; the order of calls is
  // the worker's order. A window that is gone answers 0.
  if (!SendMessageW(dispatcher_, kRunCallMessage, 0, reinterpret_cast<LPARAM>(&call))) return fallback;
  return call.result;
}

HWND Win32View::Handle(ViewControl control) const {
  auto found = controls_.find(control);
  return found == controls_.end() ? nullptr : found->second;
}

void Win32View::SetText(ViewControl control, const std::wstring& text) {
  Run([&]() -> int64_t {
    if (HWND handle = Handle(control)) SetWindowTextW(handle, text.c_str());
    return 0;
  });
}

void Win32View::SetEnabled(ViewControl control, bool enabled) {
  Run([&]() -> int64_t {
    if (HWND handle = Handle(control)) EnableWindow(handle, enabled ? TRUE : FALSE);
    return 0;
  });
}

void Win32View::Focus(ViewControl control) {
  Run([&]() -> int64_t {
    if (HWND handle = Handle(control)) SetFocus(handle);
    return 0;
  });
}

void Win32View::AppendLog(const std::wstring& text) {
  Run([&]() -> int64_t {
    HWND log = Handle(ViewControl::CmdLog);
    if (!log) return 0;
    // Always at the end, wherever the user has clicked into the view.
    int length = GetWindowTextLengthW(log);
    SendMessageW(log, EM_SETSEL, length, length);
    SendMessageW(log, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(log, EM_SCROLLCARET, 0, 0);
    return 0;
  });
}

void Win32View::ShowPage(int page) {
  Run([&]() -> int64_t {
    if (page_switcher_) page_switcher_(page);
    return 0;
  });
}

void Win32View::ClearTree(ViewControl tree) {
  Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    if (!handle) return 0;
    TreeView_DeleteAllItems(handle);
    if (auto* colours = ColourMapOf(handle)) colours->clear();
    return 0;
  });
}

void Win32View::AddTreeItem(ViewControl tree, const std::wstring& text, const ItemIcon& icon, int64_t data) {
  Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    if (!handle) return 0;
    int image = -1;
    if (!icon.class_name.empty() && icon_provider_) {
      HIMAGELIST list = TreeView_GetImageList(handle, TVSIL_NORMAL);
      HIMAGELIST before = list;
      image = AddIconToList(&list, icon_provider_(icon));
      if (list != before) TreeView_SetImageList(handle, list, TVSIL_NORMAL);
    }
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = static_cast<LPARAM>(data);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    HTREEITEM item = TreeView_InsertItem(handle, &insert);
    if (item) TreeView_SetCheckState(handle, item, FALSE);
    return 0;
  });
}

void Win32View::SetTreeItemColour(ViewControl tree, int index, ItemColour colour) {
  Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    HTREEITEM item = NthTreeItem(handle, index);
    auto* colours = item ? ColourMapOf(handle) : nullptr;
    if (!colours) return 0;
    (*colours)[item] = RGB(colour.red, colour.green, colour.blue);
    RECT area;
    if (TreeView_GetItemRect(handle, item, &area, FALSE)) InvalidateRect(handle, &area, TRUE);
    return 0;
  });
}

void Win32View::SetTreeItemChecked(ViewControl tree, int index, bool checked) {
  Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    if (HTREEITEM item = NthTreeItem(handle, index)) TreeView_SetCheckState(handle, item, checked ? TRUE : FALSE);
    return 0;
  });
}

int Win32View::TreeItemCount(ViewControl tree) {
  return static_cast<int>(Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    return handle ? static_cast<int64_t>(TreeView_GetCount(handle)) : 0;
  }));
}

bool Win32View::IsTreeItemChecked(ViewControl tree, int index) {
  return Run([&]() -> int64_t {
           HWND handle = Handle(tree);
           HTREEITEM item = NthTreeItem(handle, index);
           return item && TreeView_GetCheckState(handle, item) == 1;
         }) != 0;
}

int64_t Win32View::TreeItemData(ViewControl tree, int index) {
  return Run([&]() -> int64_t {
    HWND handle = Handle(tree);
    HTREEITEM item = NthTreeItem(handle, index);
    if (!item) return 0;
    TVITEMW info{};
    info.mask = TVIF_PARAM | TVIF_HANDLE;
    info.hItem = item;
    if (!TreeView_GetItem(handle, &info)) return 0;
    return static_cast<int64_t>(info.lParam);
  });
}

void Win32View::ClearList(ViewControl list) {
  Run([&]() -> int64_t {
    HWND handle = Handle(list);
    if (!handle) return 0;
    if (IsClass(handle, WC_LISTVIEWW)) {
      ListView_DeleteAllItems(handle);
    } else {
      SendMessageW(handle, LB_RESETCONTENT, 0, 0);
    }
    return 0;
  });
}

void Win32View::AddListLine(ViewControl list, const std::vector<std::wstring>& columns, const ItemIcon& icon) {
  Run([&]() -> int64_t {
    HWND handle = Handle(list);
    if (!handle) return 0;
    std::wstring first = columns.empty() ? std::wstring() : columns[0];
    if (!IsClass(handle, WC_LISTVIEWW)) {
      SendMessageW(handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first.c_str()));
      return 0;
    }
    int image = -1;
    if (!icon.class_name.empty() && icon_provider_) {
      HIMAGELIST images = ListView_GetImageList(handle, LVSIL_SMALL);
      HIMAGELIST before = images;
      image = AddIconToList(&images, icon_provider_(icon));
      if (images != before) ListView_SetImageList(handle, images, LVSIL_SMALL);
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(handle);
    item.pszText = const_cast<wchar_t*>(first.c_str());
    item.iImage = image < 0 ? I_IMAGENONE : image;
    int row = ListView_InsertItem(handle, &item);
    if (row < 0) return 0;
    for (size_t column = 1; column < columns.size(); ++column) {
      ListView_SetItemText(handle, row, static_cast<int>(column), const_cast<wchar_t*>(columns[column].c_str()));
    }
    return 0;
  });
}

int Win32View::SelectedListLine(ViewControl list) {
  return static_cast<int>(Run([&]() -> int64_t {
    HWND handle = Handle(list);
    if (!handle) return -1;
    if (IsClass(handle, WC_LISTVIEWW)) return ListView_GetNextItem(handle, -1, LVNI_SELECTED);
    LRESULT selected = SendMessageW(handle, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<int64_t>(selected);
  }, -1));
}

}  // namespace orvane
