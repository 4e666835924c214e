#pragma once
// The Qt item model over the browser's node tree. It hears every structural
// change of the tree before and after it happens, so the view keeps its
// expansion and selection while children are reloaded.
#include <QAbstractItemModel>
#include <QPixmap>
#include <vector>

#include "catalog/TreeModel.h"

namespace zel {

class TTreeItemModel : public QAbstractItemModel, private ITreeObserver {
  Q_OBJECT

 public:
  // images: the tree image list, indexed by a node's image index.
  TTreeItemModel(TTreeModel& tree, std::vector<QPixmap> images, QObject* parent = nullptr);
  ~TTreeItemModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  TTreeNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const TTreeNode* node) const;
  // True between the begin and the end of a change: the view's reactions to
  // it (a current item moved away from a removed row) are not the user's.
  bool Changing() const { return changing_ > 0; }

 signals:
  // A change has ended and the view is consistent with the tree again.
  void Settled();

 private:
  void BeforeNodeAdded(TTreeNode* parent, int index) override;
  void AfterNodeAdded(TTreeNode& node) override;
  void BeforeChildrenRemoved(TTreeNode* parent, int first, int last) override;
  void AfterChildrenRemoved(TTreeNode* parent) override;
  void NodeChanged(TTreeNode& node) override;

  TTreeModel& tree_;
  std::vector<QPixmap> images_;
  int changing_ = 0;
};

}  // namespace zel
