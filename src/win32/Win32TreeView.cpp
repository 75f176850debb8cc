#include "win32/Win32TreeView.h"

#include <stdexcept>

#include "common/Texts.h"
#include "win32/Strconv.h"
#include "win32/WindowBase.h"
#include "win32/resources/resource.h"

namespace pw::win32 {

namespace {
constexpr int kPictureIds[] = {IDI_TREE_ACCOUNT, IDI_TREE_ACCOUNT_SELECTED, IDI_TREE_UNREAD,
                               IDI_TREE_TOTAL};

// Picture numbers 1 to 4 are the image list's entries 0 to 3.
int ImageIndex(int picture) { return picture >= 1 && picture <= 4 ? picture - 1 : I_IMAGENONE; }
}  // namespace

Win32TreeView::Win32TreeView(HINSTANCE instance, HWND parent, int id) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                              TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          instance, nullptr);
  if (!hwnd_) throw std::runtime_error("TreeView not created");
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);

  int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  images_.Reset(ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 4, 0));
  for (int resourceId : kPictureIds) {
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, cx, cy, 0)));
    // The list copies the picture; a missing resource still takes its place in the numbering.
    ImageList_AddIcon(images_.Get(), icon ? icon.Get() : LoadIconW(nullptr, IDI_APPLICATION));
  }
  TreeView_SetImageList(hwnd_, images_.Get(), TVSIL_NORMAL);

  // The control's tooltip covers the whole tree, not single nodes.
  toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                             nullptr, instance, nullptr);
  if (toolTip_) {
    toolTipText_ = Widen(kTreeToolTip);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = toolTipText_.data();
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

std::wstring Win32TreeView::DisplayText(const std::string& text, const std::string& countText) {
  return Widen(countText.empty() ? text : text + " " + countText);
}

void Win32TreeView::Clear() {
  clearing_ = true;
  TreeView_DeleteAllItems(hwnd_);
  clearing_ = false;
  nodes_.clear();
}

void Win32TreeView::AddNode(const std::string& text, int /*extra*/, int depth, int picture,
                            int selectedPicture, int /*expandedPicture*/) {
  // A node of depth d hangs below the last node of depth d - 1. The expanded picture of every
  // node the program adds equals its picture, so the TreeView's own choice shows the same.
  HTREEITEM parent = TVI_ROOT;
  if (depth > 1) {
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
      if (it->depth == depth - 1) {
        parent = it->item;
        break;
      }
    }
  }
  std::wstring shown = DisplayText(text, {});
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = shown.data();
  insert.item.lParam = static_cast<LPARAM>(nodes_.size());
  insert.item.iImage = ImageIndex(picture);
  insert.item.iSelectedImage = ImageIndex(selectedPicture);
  HTREEITEM item = TreeView_InsertItem(hwnd_, &insert);
  if (!item) throw std::runtime_error("TreeView refused the node");
  nodes_.push_back({text, depth, {}, {}, item});
}

int Win32TreeView::NodeCount() const { return static_cast<int>(nodes_.size()); }

std::string Win32TreeView::NodeText(int position) const { return At(position).text; }

int Win32TreeView::NodeDepth(int position) const { return At(position).depth; }

void Win32TreeView::SetAccountTag(int position, const std::string& tag) {
  At(position).accountTag = tag;
}

std::string Win32TreeView::AccountTag(int position) const { return At(position).accountTag; }

void Win32TreeView::SetCountText(int position, const std::string& text) {
  Node& node = At(position);
  node.countText = text;
  UpdateText(node);
}

std::string Win32TreeView::CountText(int position) const { return At(position).countText; }

void Win32TreeView::SetExpanded(int position, bool expanded) {
  TreeView_Expand(hwnd_, At(position).item, expanded ? TVE_EXPAND : TVE_COLLAPSE);
}

bool Win32TreeView::Expanded(int position) const {
  return (TreeView_GetItemState(hwnd_, At(position).item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void Win32TreeView::ExpandCollapse(int position, bool expand) { SetExpanded(position, expand); }

void Win32TreeView::SetToolTip(const std::string& text) {
  toolTipText_ = Widen(text);
  if (!toolTip_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = GetParent(hwnd_);
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  tool.lpszText = toolTipText_.data();
  SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32TreeView::UpdateText(const Node& node) {
  std::wstring shown = DisplayText(node.text, node.countText);
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node.item;
  item.pszText = shown.data();
  TreeView_SetItem(hwnd_, &item);
}

}  // namespace pw::win32
