#include "export/ui/FrameLineSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "app/QtText.h"

namespace zel {
namespace {

QComboBox* Choices(QWidget* parent, const char* name, const QStringList& items, int left) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setMaxVisibleItems(20);
  box->setGeometry(left, 2, 41, 21);
  return box;
}

}  // namespace

TFrameLineSet::TFrameLineSet(QWidget* parent) : QFrame(parent) {
  setObjectName("FrameLineSet");
  setFixedSize(448, 25);
  chkExport = new QCheckBox(this);
  chkExport->setObjectName("chkExport");
  chkExport->setGeometry(8, 4, 17, 17);
  chkExport->setChecked(true);
  lblExport = new QLabel(this);
  lblExport->setObjectName("lblExport");
  lblExport->setGeometry(28, 2, 130, 21);
  lblRow = new QLabel(QStringLiteral("開始行"), this);
  lblRow->setObjectName("lblRow");
  lblRow->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblRow->setGeometry(160, 2, 50, 21);
  QStringList rows, cols;
  for (int r = 1; r <= kRowChoices; ++r) rows << QString::number(r);
  for (int c = 0; c < kColChoices; ++c) cols << QString(QChar(u'A' + c));
  cbRow = Choices(this, "cbRow", rows, 216);
  lblCol = new QLabel(QStringLiteral("列"), this);
  lblCol->setObjectName("lblCol");
  lblCol->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblCol->setGeometry(262, 2, 24, 21);
  cbCol = Choices(this, "cbCol", cols, 292);

  connect(chkExport, &QCheckBox::toggled, this, &TFrameLineSet::chkExportClick);
  connect(cbRow, &QComboBox::activated, this, [this] { emit RowChosen(this); });
  connect(cbCol, &QComboBox::activated, this, [this] { emit ColChosen(this); });
  chkExportClick();
}

void TFrameLineSet::SetUp(int itemId) {
  const ExportItemDef& def = ItemDef(itemId);
  itemId_ = itemId;
  itemKey_ = std::string(def.key);
  lblExport->setText(Q(def.label));
  lblRow->setText(Q(def.rowCaption));
}

void TFrameLineSet::SetUp(const std::string& key, std::string_view label) {
  itemKey_ = key;
  lblExport->setText(Q(std::string(label)));
  lblRow->setText(QStringLiteral("行"));
}

ExportItem TFrameLineSet::Item() const {
  return {chkExport->isChecked(), cbRow->currentText().toStdString(),
          cbCol->currentText().toStdString()};
}

void TFrameLineSet::SetItem(const ExportItem& item) {
  chkExport->setChecked(item.exported);
  chkExportClick();
  SetRow(item.row);
  SetCol(item.col);
}

void TFrameLineSet::SetRow(const std::string& row) {
  cbRow->setCurrentIndex(cbRow->findText(QString::fromStdString(RowChoice(row))));
}

void TFrameLineSet::SetCol(const std::string& col) {
  cbCol->setCurrentIndex(cbCol->findText(QString::fromStdString(ColChoice(col))));
}

void TFrameLineSet::chkExportClick() {
  const bool on = chkExport->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{lblExport, lblRow, cbRow, lblCol, cbCol})
    w->setEnabled(on);
}

}  // namespace zel
