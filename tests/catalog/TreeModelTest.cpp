#include <gtest/gtest.h>

#include "catalog/TreeModel.h"

using namespace zel;

namespace {
struct Recorder : ITreeObserver {
  std::vector<std::string> events;
  void BeforeNodeAdded(TTreeNode* parent, int index) override {
    events.push_back("before-add " + (parent ? parent->Text() : std::string("<top>")) + " " +
                     std::to_string(index));
  }
  void AfterNodeAdded(TTreeNode& node) override { events.push_back("added " + node.Text()); }
  void BeforeChildrenRemoved(TTreeNode* parent, int first, int last) override {
    events.push_back("before-remove " + (parent ? parent->Text() : std::string("<top>")) + " " +
                     std::to_string(first) + "-" + std::to_string(last));
  }
  void AfterChildrenRemoved(TTreeNode* parent) override {
    events.push_back("removed " + (parent ? parent->Text() : std::string("<top>")));
  }
  void NodeDeleting(TTreeNode& node) override { events.push_back("deleting " + node.Text()); }
  void NodeChanged(TTreeNode& node) override { events.push_back("changed " + node.Text()); }
};
}  // namespace

TEST(TreeModel, NotifiesPreciselyForAViewAdapter) {
  TTreeModel tree;
  Recorder rec;
  tree.AddObserver(&rec);
  TTreeNode* root = tree.Add(nullptr, "srv");
  TTreeNode* db = tree.Add(root, "db");
  TTreeNode* t = tree.Add(db, "t");
  EXPECT_EQ(t->Level(), 2);
  EXPECT_EQ(db->Index(), 0);
  EXPECT_EQ(root->Index(), 0);
  tree.SetImages(*db, 1, 1);
  tree.SetImages(*db, 1, 1);  // no change, no event
  tree.SetHasChildren(*db, true);
  auto info = std::make_unique<TableInfo>();
  info->comment = "c";
  tree.SetData(*t, std::move(info));
  tree.DeleteChildren(*root);
  tree.DeleteChildren(*root);  // nothing left, no event
  tree.Clear();
  EXPECT_EQ(rec.events,
            (std::vector<std::string>{"before-add <top> 0", "added srv", "before-add srv 0",
                                      "added db", "before-add db 0", "added t", "changed db",
                                      "changed db", "changed t", "before-remove srv 0-0",
                                      "deleting t", "deleting db", "removed srv",
                                      "before-remove <top> 0-0", "deleting srv",
                                      "removed <top>"}));
  EXPECT_TRUE(tree.Empty());
}
