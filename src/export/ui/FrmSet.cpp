#include "export/ui/FrmSet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/QtText.h"
#include "export/IndexSheet.h"
#include "export/ModelWorkbook.h"
#include "export/ui/FrameLineSet.h"

namespace zel {
namespace {

QGroupBox* Group(QWidget* parent, const char* name, const QString& title, QRect geometry) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  box->setGeometry(geometry);
  return box;
}

QLineEdit* LabelledEdit(QWidget* parent, const char* name, const QString& caption, int left,
                        int top) {
  auto* label = new QLabel(caption, parent);
  label->setGeometry(left, top, 90, 21);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(left + 95, top, 180, 21);
  return edit;
}

// The frames of each group, top to bottom.
constexpr int kHeadOrder[] = {eiDatabaseName, eiSchemaName, eiTableName,
                              eiTableComment, eiCreateDate, eiUpdateDate};

}  // namespace

TfrmSet::TfrmSet(TdCommon& common, QWidget* parent)
    : QDialog(parent),
      execFileDialog([](QFileDialog& dialog) { return dialog.exec(); }),
      common_(common) {
  setObjectName("frmSet");
  setWindowTitle(QStringLiteral("設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(667, 541);

  rgExcelSet = Group(this, "rgExcelSet", QStringLiteral("Excel"), {16, 6, 635, 42});
  QFont bold = rgExcelSet->font();
  bold.setBold(true);
  bold.setPixelSize(13);
  rgExcelSet->setFont(bold);
  // The choices keep the form font; only the caption is bold.
  QFont plain = font();
  plain.setBold(false);
  plain.setPixelSize(12);
  rbStandard = new QRadioButton(QStringLiteral("標準"), rgExcelSet);
  rbStandard->setObjectName("rbStandard");
  rbStandard->setFont(plain);
  rbStandard->setGeometry(16, 17, 200, 20);
  rbOwn = new QRadioButton(QStringLiteral("自定義"), rgExcelSet);
  rbOwn->setObjectName("rbOwn");
  rbOwn->setFont(plain);
  rbOwn->setGeometry(333, 17, 200, 20);
  rbDetailed = new QRadioButton(QStringLiteral("詳細"), rgExcelSet);
  rbDetailed->setObjectName("rbDetailed");
  rbDetailed->setFont(plain);
  rbDetailed->setGeometry(175, 17, 150, 20);
  choice_ = new QButtonGroup(this);
  choice_->addButton(rbStandard, kTemplateStandard);
  choice_->addButton(rbOwn, kTemplateOwn);
  choice_->addButton(rbDetailed, kTemplateDetailed);

  gbExcelFileName = Group(this, "gbExcelFileName", QString(), {16, 52, 635, 44});
  auto* fileLabel = new QLabel(QStringLiteral("雛形Excelファイル"), gbExcelFileName);
  fileLabel->setGeometry(16, 12, 110, 21);
  txtExcelFileName = new QLineEdit(gbExcelFileName);
  txtExcelFileName->setObjectName("txtExcelFileName");
  txtExcelFileName->setGeometry(130, 12, 289, 21);
  btnOpenExcel = new QPushButton(QStringLiteral("..."), gbExcelFileName);
  btnOpenExcel->setObjectName("btnOpenExcel");
  btnOpenExcel->setGeometry(424, 11, 27, 23);
  btnOpenExcel->setAutoDefault(false);

  gbSystemSet = Group(this, "gbSystemSet", QString(), {16, 52, 635, 80});
  txtSystemName = LabelledEdit(gbSystemSet, "txtSystemName", QStringLiteral("システム名"), 16, 16);
  txtSubSystemName =
      LabelledEdit(gbSystemSet, "txtSubSystemName", QStringLiteral("サブシステム名"), 16, 46);
  txtCreateEmpName =
      LabelledEdit(gbSystemSet, "txtCreateEmpName", QStringLiteral("作成者"), 330, 16);
  txtManagerEmpName =
      LabelledEdit(gbSystemSet, "txtManagerEmpName", QStringLiteral("承認者"), 330, 46);

  // Seven head rows and ten body rows in the design's window size: the rows
  // sit a little closer than the design's 25 px.
  constexpr int kRowStep = 23;
  gbHead = Group(this, "gbHead", QString(), {16, 100, 635, 166});
  gbBody = Group(this, "gbBody", QString(), {16, 268, 635, 236});
  int headRow = 0;
  for (int id : kHeadOrder) {
    auto* frame = new TFrameLineSet(gbHead);
    frame->move(8, 2 + kRowStep * headRow++);
    frames_[static_cast<size_t>(id)] = frame;
  }
  // The optional body items follow the eight.
  constexpr int kBodyOrder[] = {eiNo,          eiColumnName, eiColumnType,    eiColumnLength,
                                eiColumnDecimalLength, eiNotNull, eiPrimaryKey, eiColumnComment,
                                eiColumnDefault, eiReferences};
  int bodyRow = 0;
  for (int id : kBodyOrder) {
    auto* frame = new TFrameLineSet(gbBody);
    frame->move(8, 2 + kRowStep * bodyRow++);
    frames_[static_cast<size_t>(id)] = frame;
  }
  for (int id = 0; id < kAllItemCount; ++id) {
    TFrameLineSet* frame = Frame(id);
    frame->setObjectName(QStringLiteral("FrameLineSet%1").arg(id + 1));
    frame->SetUp(id);
    if (ItemDef(id).group == ItemGroup::Body)
      connect(frame, &TFrameLineSet::RowChosen, this, &TfrmSet::FrameLineSet5cbRowChange);
  }
  connect(Frame(eiNo), &TFrameLineSet::ColChosen, this, &TfrmSet::FrameLineSet5cbColChange);
  FrameIndexLink = new TFrameLineSet(gbHead);
  FrameIndexLink->setObjectName("FrameIndexLink");
  FrameIndexLink->move(8, 2 + kRowStep * headRow);
  FrameIndexLink->SetUp("indexlink", kIndexLinkLabel);

  chkIndexSheet = new QCheckBox(QStringLiteral("目次シートを付ける"), this);
  chkIndexSheet->setObjectName("chkIndexSheet");
  chkIndexSheet->setGeometry(16, 510, 170, 21);
  connect(chkIndexSheet, &QCheckBox::clicked, this, [this] { indexSheetChosen_ = true; });
  chkExcludePartitions = new QCheckBox(QStringLiteral("パーティションを除く"), this);
  chkExcludePartitions->setObjectName("chkExcludePartitions");
  chkExcludePartitions->setGeometry(196, 510, 170, 21);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setGeometry(446, 508, 89, 25);
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setGeometry(552, 508, 89, 25);
  btnCancel->setAutoDefault(false);

  connect(choice_, &QButtonGroup::idToggled, this, [this](int, bool) { rgExcelSetClick(); });
  connect(btnOpenExcel, &QPushButton::clicked, this, &TfrmSet::btnOpenExcelClick);
  connect(btnOK, &QPushButton::clicked, this, &TfrmSet::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // FormCreate
  LoadSettings();
  rgExcelSetClick();
}

int TfrmSet::ExcelSetIndex() const {
  return choice_->checkedId();
}

void TfrmSet::SetExcelSetIndex(int index) {
  if (QAbstractButton* button = choice_->button(index)) {
    button->setChecked(true);
  } else {
    // An exclusive group cannot uncheck its last button.
    choice_->setExclusive(false);
    rbStandard->setChecked(false);
    rbOwn->setChecked(false);
    rbDetailed->setChecked(false);
    choice_->setExclusive(true);
  }
  rgExcelSetClick();
}

ExportSettings TfrmSet::Settings() const {
  ExportSettings s;
  s.fileName = S(txtExcelFileName->text());
  s.templateChoice = ExcelSetIndex();
  for (int id = 0; id < kAllItemCount; ++id) s.Item(id) = Frame(id)->Item();
  s.systemName = S(txtSystemName->text());
  s.subSystemName = S(txtSubSystemName->text());
  s.createEmp = S(txtCreateEmpName->text());
  s.managerEmp = S(txtManagerEmpName->text());
  // Written once stored before or when it differs from the template's
  // default.
  s.indexSheet = loaded_.indexSheet;
  ExportSettings plain;
  plain.templateChoice = s.templateChoice;
  if (s.indexSheet || chkIndexSheet->isChecked() != IndexSheetWanted(plain))
    s.indexSheet = chkIndexSheet->isChecked();
  s.excludePartitions = loaded_.excludePartitions;
  if (chkExcludePartitions->isChecked() || s.excludePartitions)
    s.excludePartitions = chkExcludePartitions->isChecked();
  s.indexLink = loaded_.indexLink;
  if (ExportItem link = FrameIndexLink->Item(); link != ExportItem{} || s.indexLink)
    s.indexLink = link;
  return s;
}

void TfrmSet::SetSettings(const ExportSettings& s) {
  txtExcelFileName->setText(Q(s.fileName));
  SetExcelSetIndex(s.templateChoice);
  for (int id = 0; id < kAllItemCount; ++id) Frame(id)->SetItem(s.Item(id));
  txtSystemName->setText(Q(s.systemName));
  txtSubSystemName->setText(Q(s.subSystemName));
  txtCreateEmpName->setText(Q(s.createEmp));
  txtManagerEmpName->setText(Q(s.managerEmp));
  loaded_.indexSheet = s.indexSheet;
  loaded_.templateChoice = s.templateChoice;
  loaded_.excludePartitions = s.excludePartitions;
  loaded_.indexLink = s.indexLink;
  chkIndexSheet->setChecked(IndexSheetWanted(s));
  indexSheetChosen_ = s.indexSheet.has_value();
  chkExcludePartitions->setChecked(s.excludePartitions.value_or(false));
  FrameIndexLink->SetItem(s.indexLink.value_or(ExportItem{}));
}

void TfrmSet::LoadSettings() {
  SetSettings(ExportSettings::Load(common_));
}

void TfrmSet::rgExcelSetClick() {
  const int index = ExcelSetIndex();
  gbExcelFileName->setVisible(index == 1);
  gbHead->setVisible(index == 1);
  gbBody->setVisible(index == 1);
  gbSystemSet->setVisible(index == kTemplateStandard || index == kTemplateDetailed);
  // Until the user says otherwise the box follows the template's default.
  if (!indexSheetChosen_) {
    ExportSettings plain;
    plain.templateChoice = index;
    chkIndexSheet->setChecked(IndexSheetWanted(plain));
  }
}

void TfrmSet::btnOpenExcelClick() {
  QFileDialog dialog(this);
  dialog.setObjectName("OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = {QStringLiteral("Excelファイル (*.xlsx)"),
                               QStringLiteral("Excel 97-2003 ファイル (*.xls)"),
                               QStringLiteral("全てのファイル (*)")};
  dialog.setNameFilters(filters);
  if (filterIndex_ >= 1 && filterIndex_ <= filters.size())
    dialog.selectNameFilter(filters[filterIndex_ - 1]);
  if (execFileDialog(dialog) != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;
  // Told now, while the user is choosing, rather than at OK or at the export.
  if (std::string reason = CheckModelWorkbook(S(chosen.front())); !reason.empty()) {
    common_.ShowMessageBox(ModelWorkbookMessage(reason));
    return;
  }
  txtExcelFileName->setText(chosen.front());
}

void TfrmSet::FrameLineSet5cbRowChange(TFrameLineSet* frame) {
  const std::string row = frame->Item().row;
  for (int id = 0; id < kAllItemCount; ++id)
    if (ItemDef(id).group == ItemGroup::Body) Frame(id)->SetRow(row);
}

void TfrmSet::FrameLineSet5cbColChange() {
  ExportSettings s = Settings();
  s.LayOutBodyColumns();
  for (int id = kBodyFirst + 1; id <= kBodyLast; ++id) Frame(id)->SetCol(s.Item(id).col);
}

void TfrmSet::btnOKClick() {
  if (Settings().Accept(common_)) accept();
}

void TfrmSet::done(int result) {
  QDialog::done(result);
  // FormClose: whatever was not saved is dropped.
  LoadSettings();
}

}  // namespace zel
