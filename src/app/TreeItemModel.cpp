#include "app/TreeItemModel.h"

#include <QIcon>

namespace zel {

TTreeItemModel::TTreeItemModel(TTreeModel& tree, std::vector<QPixmap> images, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), images_(std::move(images)) {
  tree_.AddObserver(this);
}

TTreeItemModel::~TTreeItemModel() {
  tree_.RemoveObserver(this);
}

TTreeNode* TTreeItemModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TTreeItemModel::IndexOf(const TTreeNode* node) const {
  if (!node) return {};
  const int row = node->Index();
  if (row < 0) return {};
  return createIndex(row, 0, const_cast<TTreeNode*>(node));
}

QModelIndex TTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  TTreeNode* p = NodeOf(parent);
  if (!p) return row < tree_.RootCount() ? createIndex(row, 0, tree_.Root(row)) : QModelIndex();
  return row < p->ChildCount() ? createIndex(row, 0, p->Child(row)) : QModelIndex();
}

QModelIndex TTreeItemModel::parent(const QModelIndex& child) const {
  TTreeNode* node = NodeOf(child);
  return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TTreeItemModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  TTreeNode* p = NodeOf(parent);
  return p ? p->ChildCount() : tree_.RootCount();
}

int TTreeItemModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool TTreeItemModel::hasChildren(const QModelIndex& parent) const {
  TTreeNode* p = NodeOf(parent);
  if (!p) return tree_.RootCount() > 0;
  // The has-children mark shows the expand button before anything is loaded.
  return p->ChildCount() > 0 || p->HasChildren();
}

QVariant TTreeItemModel::data(const QModelIndex& index, int role) const {
  TTreeNode* node = NodeOf(index);
  if (!node) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(node->Text());
    case Qt::DecorationRole: {
      auto image = [this](int i) {
        return i >= 0 && i < static_cast<int>(images_.size()) ? images_[static_cast<size_t>(i)]
                                                              : QPixmap();
      };
      QPixmap normal = image(node->ImageIndex());
      if (normal.isNull()) return {};
      QIcon icon(normal);
      QPixmap selected = image(node->SelectedIndex());
      if (!selected.isNull()) icon.addPixmap(selected, QIcon::Selected);
      return icon;
    }
    default:
      return {};
  }
}

Qt::ItemFlags TTreeItemModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TTreeItemModel::BeforeNodeAdded(TTreeNode* parent, int index) {
  ++changing_;
  beginInsertRows(IndexOf(parent), index, index);
}

void TTreeItemModel::AfterNodeAdded(TTreeNode&) {
  endInsertRows();
  if (--changing_ == 0) emit Settled();
}

void TTreeItemModel::BeforeChildrenRemoved(TTreeNode* parent, int first, int last) {
  ++changing_;
  beginRemoveRows(IndexOf(parent), first, last);
}

void TTreeItemModel::AfterChildrenRemoved(TTreeNode*) {
  endRemoveRows();
  if (--changing_ == 0) emit Settled();
}

void TTreeItemModel::NodeChanged(TTreeNode& node) {
  QModelIndex i = IndexOf(&node);
  if (i.isValid()) emit dataChanged(i, i);
}

}  // namespace zel
