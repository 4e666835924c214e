#pragma once
// The export settings dialog: template choice (標準, 自定義, 詳細), model
// workbook, the item positions and the four header texts. Created once at start-up and
// shown modally on demand; every close reloads it from the settings file, so
// between uses it always shows what is saved.
#include <QDialog>
#include <array>
#include <functional>

#include "common/Common.h"
#include "export/ExportSettings.h"

class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zel {

class TFrameLineSet;

class TfrmSet : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kOpenFilter =
      "Excelファイル|*.xlsx|Excel 97-2003 ファイル|*.xls|全てのファイル|*.*";

  explicit TfrmSet(TdCommon& common, QWidget* parent = nullptr);

  // Fill every control from the settings file.
  void LoadSettings();
  // The settings as the controls hold them, and putting settings into them.
  ExportSettings Settings() const;
  void SetSettings(const ExportSettings& settings);

  // 1-based index into kOpenFilter that the file chooser starts with.
  void SetFilterIndex(int index) { filterIndex_ = index; }
  int FilterIndex() const { return filterIndex_; }

  // -1 when neither choice is selected.
  int ExcelSetIndex() const;
  void SetExcelSetIndex(int index);

  // Runs the file chooser; tests answer it instead of a user. A chosen file
  // that cannot be the model is reported and not taken.
  std::function<int(QFileDialog&)> execFileDialog;

  TFrameLineSet* Frame(int itemId) const { return frames_.at(static_cast<size_t>(itemId)); }

  QGroupBox* rgExcelSet;
  QRadioButton* rbStandard;
  QRadioButton* rbOwn;
  QRadioButton* rbDetailed;
  QGroupBox* gbExcelFileName;
  QLineEdit* txtExcelFileName;
  QPushButton* btnOpenExcel;
  QGroupBox* gbSystemSet;
  QLineEdit* txtSystemName;
  QLineEdit* txtSubSystemName;
  QLineEdit* txtCreateEmpName;
  QLineEdit* txtManagerEmpName;
  QGroupBox* gbHead;
  QGroupBox* gbBody;
  QPushButton* btnOK;
  QPushButton* btnCancel;
  // Beyond the design: the 目次 sheet, leaving partitions out, and where
  // the own workbook's sheets get their link back to the 目次.
  QCheckBox* chkIndexSheet;
  QCheckBox* chkExcludePartitions;
  TFrameLineSet* FrameIndexLink;

 public slots:
  void done(int result) override;

 private:
  void rgExcelSetClick();
  void btnOpenExcelClick();
  void FrameLineSet5cbRowChange(TFrameLineSet* frame);
  void FrameLineSet5cbColChange();
  void btnOKClick();

  TdCommon& common_;
  QButtonGroup* choice_;
  std::array<TFrameLineSet*, kAllItemCount> frames_{};
  int filterIndex_ = 2;
  // The options as loaded: a check box left as it was (or as the template's
  // default) is not written, so a file that never had the keys keeps its content.
  ExportSettings loaded_;
  bool indexSheetChosen_ = false;
};

}  // namespace zel
