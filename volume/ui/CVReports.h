#pragma once
// "Volume Reports": rock volume, cave volume and porosity over every layer
// count and concavity, in a memo that can be printed, saved, searched and
// copied.

#include <QDialog>
#include <QPoint>
#include <QString>

#include <functional>

#include "controls/Placement.h"
#include "model/WorkingUnits.h"
#include "volume/VolumeReport.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace lumora {

// The find dialog: searches downwards; no whole-word or direction choice.
class TFindDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TFindDlg(QWidget* parent = nullptr);
  QLineEdit* FindText;
  QCheckBox* MatchCase;
  QPushButton* FindNextBtn;

 signals:
  void Find();
};

class TVolumeReportsDlg : public QDialog {
  Q_OBJECT
 public:
  TVolumeReportsDlg(TVolumeModel& model, TWorkingUnits& units, QWidget* parent = nullptr);

  // "Show Report": every block into the memo; then Restore.
  void ShowReport();
  // One find with the find dialog's text and options; true when found.
  bool FindNext();
  // Writes the memo's lines to the file (through a temporary beside it).
  void SaveReport(const QString& file) const;
  // The whole memo on the printer in the report font.
  void PrintReport(QPrinter& printer) const;
  bool Running() const { return running_; }

  // Set by the volume tool: its options for the run, the rebuild with its
  // own layer count afterwards, and its progress bar.
  std::function<TReportOptions()> Options;
  std::function<void()> Restore;
  std::function<void(int percent)> Progress;
  // Replaceable so that the dialog can be driven without a person.
  std::function<QString()> AskSaveFile;
  std::function<void(const QString& text, QPoint at)> ErrorBox;

  QPlainTextEdit* ReportMemo;
  QPushButton *Button1, *AbortBtn, *PrintStatsBtn, *FileStatsBtn, *ShowStatsBtn, *OKBtn, *CopyBtn;
  TFindDlg* FindDialog;

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void SaveClick();
  void PrintClick();
  void CopyClick();

  TVolumeModel& model_;
  TWorkingUnits& units_;
  TVolumeReports reports_;
  int matchEnd_ = -1;  // just after the previous match; -1 for none
  bool running_ = false;
  bool centred_ = false;
};

}  // namespace lumora
