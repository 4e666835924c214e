#include "catalog/TreeModel.h"

#include <algorithm>

namespace zel {

int TTreeNode::Index() const {
  if (parent_) {
    for (size_t i = 0; i < parent_->children_.size(); ++i)
      if (parent_->children_[i].get() == this) return static_cast<int>(i);
    return -1;
  }
  if (!owner_) return -1;
  for (int i = 0; i < owner_->RootCount(); ++i)
    if (owner_->Root(i) == this) return i;
  return -1;
}

TTreeModel::~TTreeModel() {
  // Observers are told nothing here: they do not outlive the model's owner.
  observers_.clear();
}

TTreeNode* TTreeModel::Add(TTreeNode* parent, std::string text) {
  auto& list = parent ? parent->children_ : roots_;
  int index = static_cast<int>(list.size());
  for (auto* o : observers_) o->BeforeNodeAdded(parent, index);
  auto node = std::make_unique<TTreeNode>();
  node->text_ = std::move(text);
  node->parent_ = parent;
  node->owner_ = this;
  node->level_ = parent ? parent->level_ + 1 : 0;
  TTreeNode* raw = node.get();
  list.push_back(std::move(node));
  for (auto* o : observers_) o->AfterNodeAdded(*raw);
  return raw;
}

void TTreeModel::SetImages(TTreeNode& node, int image, int selected) {
  if (node.imageIndex_ == image && node.selectedIndex_ == selected) return;
  node.imageIndex_ = image;
  node.selectedIndex_ = selected;
  Changed(node);
}

void TTreeModel::SetHasChildren(TTreeNode& node, bool has) {
  if (node.hasChildren_ == has) return;
  node.hasChildren_ = has;
  Changed(node);
}

void TTreeModel::SetData(TTreeNode& node, std::unique_ptr<TableInfo> data) {
  node.data_ = std::move(data);
  Changed(node);
}

void TTreeModel::NotifyDeleting(TTreeNode& node) {
  for (auto& child : node.children_) NotifyDeleting(*child);
  for (auto* o : observers_) o->NodeDeleting(node);
}

void TTreeModel::DeleteChildren(TTreeNode& node) {
  if (node.children_.empty()) return;
  int last = static_cast<int>(node.children_.size()) - 1;
  for (auto* o : observers_) o->BeforeChildrenRemoved(&node, 0, last);
  for (auto& child : node.children_) NotifyDeleting(*child);
  node.children_.clear();
  for (auto* o : observers_) o->AfterChildrenRemoved(&node);
}

void TTreeModel::Clear() {
  if (roots_.empty()) return;
  int last = static_cast<int>(roots_.size()) - 1;
  for (auto* o : observers_) o->BeforeChildrenRemoved(nullptr, 0, last);
  for (auto& root : roots_) NotifyDeleting(*root);
  roots_.clear();
  for (auto* o : observers_) o->AfterChildrenRemoved(nullptr);
}

void TTreeModel::AddObserver(ITreeObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void TTreeModel::RemoveObserver(ITreeObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TTreeModel::Changed(TTreeNode& node) {
  for (auto* o : observers_) o->NodeChanged(node);
}

}  // namespace zel
