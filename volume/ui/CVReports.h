#pragma once
// "Volume Reports": rock volume, cave volume and porosity over every layer
// count and concavity, in a memo that can be printed, saved, searched and
// copied.

#include <QDialog>
#include <QElapsedTimer>
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

  // "Show Report": every block into the memo; then Restore. The memo, the
  // progress and pending events are served every PaceMs, not per row.
  void ShowReport();
  int PaceMs = 50;
  // One find with the find dialog's text and options; true when found.
  bool FindNext();
  // Writes the memo's lines to the file (through a temporary beside it).
  void SaveReport(const QString& file) const;
  // The whole memo on the printer in the report font.
  void PrintReport(QPrinter& printer) const;
  bool Running() const { return running_; }

  // Set by the volume tool: its options for the run, its numbers and hull
  // afterwards (the run leaves the layers rebuilt with the tool's own count,
  // unless it failed: then `rebuild`), and its progress bar.
  std::function<TReportOptions()> Options;
  std::function<void(bool rebuild)> Restore;
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
  // The lines added since the last call into the memo, and the progress.
  void ShowNewLines();
  void SaveClick();
  void PrintClick();
  void CopyClick();

  TVolumeModel& model_;
  TWorkingUnits& units_;
  TVolumeReports reports_;
  QElapsedTimer paced_;
  size_t shown_ = 0;   // lines in the memo
  int percent_ = 0;    // the run's progress, shown at the pace
  int matchEnd_ = -1;  // just after the previous match; -1 for none
  bool running_ = false;
  bool centred_ = false;
};

}  // namespace lumora
