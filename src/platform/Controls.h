// The controls the core fills: the main window's tree and status bar.
#pragma once

#include <string>

namespace pw {

// Nodes are addressed by their 0-based position in append order.
class TreeControl {
 public:
  virtual ~TreeControl() = default;
  virtual void Clear() = 0;
  // Appends a node; depth 1 is a top-level node, depth 2 a child of the last depth-1 node.
  virtual void AddNode(const std::string& text, int extra, int depth, int picture,
                       int selectedPicture, int expandedPicture) = 0;
  virtual int NodeCount() const = 0;
  virtual std::string NodeText(int position) const = 0;
  virtual int NodeDepth(int position) const = 0;
  virtual void SetAccountTag(int position, const std::string& tag) = 0;
  virtual std::string AccountTag(int position) const = 0;
  virtual void SetCountText(int position, const std::string& text) = 0;
  virtual std::string CountText(int position) const = 0;
  virtual void SetExpanded(int position, bool expanded) = 0;
  virtual bool Expanded(int position) const = 0;
  // The tree's expand-or-collapse operation for one position.
  virtual void ExpandCollapse(int position, bool expand) = 0;
  virtual void SetToolTip(const std::string& text) = 0;
};

class StatusBarControl {
 public:
  virtual ~StatusBarControl() = default;
  virtual void SetPanelText(int panel, const std::string& text) = 0;
  virtual std::string PanelText(int panel) const = 0;
};

}  // namespace pw
