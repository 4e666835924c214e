#pragma once
// One item of the export settings dialog: export flag, label, row and
// column choice. The dialog holds fourteen of them.
#include <QFrame>
#include <string>

#include "export/ExportSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace zel {

class TFrameLineSet : public QFrame {
  Q_OBJECT

 public:
  explicit TFrameLineSet(QWidget* parent = nullptr);

  // Key, label and row caption of one of the fourteen items.
  void SetUp(int itemId);
  // An item beyond the fourteen (a head item: caption "行").
  void SetUp(const std::string& key, std::string_view label);
  int ItemId() const { return itemId_; }
  const std::string& ItemKey() const { return itemKey_; }

  ExportItem Item() const;
  void SetItem(const ExportItem& item);
  void SetRow(const std::string& row);
  void SetCol(const std::string& col);

  QCheckBox* chkExport;
  QLabel* lblExport;
  QLabel* lblRow;
  QComboBox* cbRow;
  QLabel* lblCol;
  QComboBox* cbCol;

 signals:
  // The user chose a row or a column (not a change made by program).
  void RowChosen(TFrameLineSet* frame);
  void ColChosen(TFrameLineSet* frame);

 private:
  void chkExportClick();

  int itemId_ = -1;
  std::string itemKey_;
};

}  // namespace zel
