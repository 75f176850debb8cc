// Tree and status bar held in memory.
#pragma once

#include <map>
#include <stdexcept>
#include <vector>

#include "platform/Controls.h"
#include "substitute/EffectLog.h"

namespace pw {

class FakeTree : public TreeControl {
 public:
  struct Node {
    std::string text;
    int extra = 0;
    int depth = 0;
    int pictures[3] = {0, 0, 0};
    std::string accountTag;
    std::string countText;
    bool expanded = false;
  };

  void Clear() override { nodes.clear(); }
  void AddNode(const std::string& text, int extra, int depth, int picture, int selectedPicture,
               int expandedPicture) override {
    if (failOnAdd) throw std::runtime_error("tree refused the node");
    nodes.push_back(
        {text, extra, depth, {picture, selectedPicture, expandedPicture}, {}, {}, false});
  }
  int NodeCount() const override { return static_cast<int>(nodes.size()); }
  std::string NodeText(int position) const override { return At(position).text; }
  int NodeDepth(int position) const override { return At(position).depth; }
  void SetAccountTag(int position, const std::string& tag) override {
    At(position).accountTag = tag;
  }
  std::string AccountTag(int position) const override { return At(position).accountTag; }
  void SetCountText(int position, const std::string& text) override {
    At(position).countText = text;
  }
  std::string CountText(int position) const override { return At(position).countText; }
  void SetExpanded(int position, bool expanded) override { At(position).expanded = expanded; }
  bool Expanded(int position) const override { return At(position).expanded; }
  void ExpandCollapse(int position, bool expand) override {
    At(position).expanded = expand;
    ++expandCollapseCalls;
  }
  void SetToolTip(const std::string& text) override { toolTip = text; }

  std::vector<Node> nodes;
  std::string toolTip;
  int expandCollapseCalls = 0;
  bool failOnAdd = false;

 private:
  Node& At(int position) { return nodes.at(static_cast<std::size_t>(position)); }
  const Node& At(int position) const { return nodes.at(static_cast<std::size_t>(position)); }
};

class FakeStatusBar : public StatusBarControl {
 public:
  void SetPanelText(int panel, const std::string& text) override {
    panels[panel] = text;
    history.push_back(text);
    Note(log, "status: " + text);
  }
  std::string PanelText(int panel) const override {
    auto it = panels.find(panel);
    return it == panels.end() ? std::string() : it->second;
  }

  std::map<int, std::string> panels;
  std::vector<std::string> history;
  EffectLog* log = nullptr;
};

}  // namespace pw
