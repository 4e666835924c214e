#pragma once
// The object tree as plain C++: nodes with text, level, images, the
// has-children mark and an owned TableInfo on table nodes. Observers hear
// about every structural change early enough for a Qt item model to emit
// its begin/end row signals.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel {

// A table's row of the list without its name. PostgreSQL knows no dates;
// hasDates tells the comment-only record from one with two empty dates.
struct TableInfo {
  std::string comment;
  std::string created;
  std::string updated;
  bool hasDates = false;
};

class TTreeModel;

class TTreeNode {
 public:
  const std::string& Text() const { return text_; }
  int Level() const { return level_; }
  int ImageIndex() const { return imageIndex_; }
  int SelectedIndex() const { return selectedIndex_; }
  bool HasChildren() const { return hasChildren_; }
  // Data of a table node; null on every other node.
  const TableInfo* Data() const { return data_.get(); }
  TTreeNode* Parent() const { return parent_; }
  int ChildCount() const { return static_cast<int>(children_.size()); }
  TTreeNode* Child(int i) const { return children_.at(static_cast<size_t>(i)).get(); }
  // Position among the parent's children (or among the roots).
  int Index() const;

 private:
  friend class TTreeModel;
  std::string text_;
  int level_ = 0;
  int imageIndex_ = 0;
  int selectedIndex_ = 0;
  bool hasChildren_ = false;
  std::unique_ptr<TableInfo> data_;
  TTreeNode* parent_ = nullptr;
  TTreeModel* owner_ = nullptr;
  std::vector<std::unique_ptr<TTreeNode>> children_;
};

class ITreeObserver {
 public:
  virtual ~ITreeObserver() = default;
  // parent null means the top level (the roots).
  virtual void BeforeNodeAdded(TTreeNode* parent, int index) { (void)parent, (void)index; }
  virtual void AfterNodeAdded(TTreeNode& node) { (void)node; }
  virtual void BeforeChildrenRemoved(TTreeNode* parent, int first, int last) {
    (void)parent, (void)first, (void)last;
  }
  virtual void AfterChildrenRemoved(TTreeNode* parent) { (void)parent; }
  // Called for every node about to be destroyed, deepest first.
  virtual void NodeDeleting(TTreeNode& node) { (void)node; }
  virtual void NodeChanged(TTreeNode& node) { (void)node; }
};

class TTreeModel {
 public:
  TTreeModel() = default;
  TTreeModel(const TTreeModel&) = delete;
  TTreeModel& operator=(const TTreeModel&) = delete;
  ~TTreeModel();

  int RootCount() const { return static_cast<int>(roots_.size()); }
  TTreeNode* Root(int i = 0) const {
    return i >= 0 && i < RootCount() ? roots_[static_cast<size_t>(i)].get() : nullptr;
  }
  bool Empty() const { return roots_.empty(); }

  // Adds a node as the last child of parent (or as a root when parent is
  // null). Its level follows from its place; images start at 0.
  TTreeNode* Add(TTreeNode* parent, std::string text);
  void SetImages(TTreeNode& node, int image, int selected);
  void SetHasChildren(TTreeNode& node, bool has);
  void SetData(TTreeNode& node, std::unique_ptr<TableInfo> data);
  void DeleteChildren(TTreeNode& node);
  void Clear();

  void AddObserver(ITreeObserver* observer);
  void RemoveObserver(ITreeObserver* observer);

 private:
  void Changed(TTreeNode& node);
  void NotifyDeleting(TTreeNode& node);

  std::vector<std::unique_ptr<TTreeNode>> roots_;
  std::vector<ITreeObserver*> observers_;
};

}  // namespace zel
