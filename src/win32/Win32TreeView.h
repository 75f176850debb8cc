// The tree Anzeige on a common-controls TreeView: each node shows its text and its count text.
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "win32/Handles.h"

namespace pw::win32 {

class Win32TreeView : public TreeControl {
 public:
  Win32TreeView(HINSTANCE instance, HWND parent, int id);

  HWND Hwnd() const { return hwnd_; }
  // True while Clear runs: the selection changes it causes are no user's doing.
  bool Clearing() const { return clearing_; }
  // The node position of a TreeView item's lParam.
  static int PositionOf(LPARAM itemParam) { return static_cast<int>(itemParam); }
  // What the TreeView shows for a node: its text, then its count text after a blank.
  static std::wstring DisplayText(const std::string& text, const std::string& countText);

  void Clear() override;
  void AddNode(const std::string& text, int extra, int depth, int picture, int selectedPicture,
               int expandedPicture) override;
  int NodeCount() const override;
  std::string NodeText(int position) const override;
  int NodeDepth(int position) const override;
  void SetAccountTag(int position, const std::string& tag) override;
  std::string AccountTag(int position) const override;
  void SetCountText(int position, const std::string& text) override;
  std::string CountText(int position) const override;
  void SetExpanded(int position, bool expanded) override;
  bool Expanded(int position) const override;
  void ExpandCollapse(int position, bool expand) override;
  void SetToolTip(const std::string& text) override;

 private:
  struct Node {
    std::string text;
    int depth = 1;
    std::string accountTag;
    std::string countText;
    HTREEITEM item = nullptr;
  };
  const Node& At(int position) const { return nodes_.at(static_cast<std::size_t>(position)); }
  Node& At(int position) { return nodes_.at(static_cast<std::size_t>(position)); }
  void UpdateText(const Node& node);

  HWND hwnd_ = nullptr;  // a child: destroyed with its parent
  UniqueImageList images_;
  HWND toolTip_ = nullptr;
  std::wstring toolTipText_;
  std::vector<Node> nodes_;
  bool clearing_ = false;
};

}  // namespace pw::win32
