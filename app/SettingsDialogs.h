#pragma once
// The Qt half of the settings: the "Environment Options" dialog, the two
// progress windows, the About box, the help window and "S&ave Settings".
// The settings file itself is read and written by app/core/GLSettings.

#include <QDate>
#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include "app/core/GLCave.h"
#include "meshfiles/format/XFileFormat.h"
#include "model/WorkingUnits.h"

class QIcon;
class QLabel;
class QProgressBar;

class QCheckBox;

namespace lumora {

class TRadioGroup;

// "Environment Options": the "Working Units" radio group.
class TEnvironmentDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TEnvironmentDlg(QWidget* parent = nullptr);
  bool Feet() const;
  void SetFeet(bool feet);
  // "Open Caves In Plan, Fitted", shown only when set.
  void SetOpenInPlan(bool on);
  bool OpenInPlan() const;

 private:
  TRadioGroup* units_;
  QCheckBox* openInPlan_;
};

// Shows "Environment Options" modally; on OK the units take the choice and
// are applied, and the result is true. Nothing is saved. With `openInPlan`
// the dialog also asks whether caves open in plan, fitted.
bool EditUnits(QWidget* parent, TWorkingUnits& units, bool* openInPlan = nullptr);

// Lets pending events run so a progress window repaints during long work on
// the interface thread, but not more often than the eye can follow.
class TRepaintPacer {
 public:
  void Pace();

 private:
  QElapsedTimer since_;
};

// "Converting Cave Data To 3D Mesh", filled by the scene builder. "Cancel"
// (or closing the window) asks the load to stop.
class TLoadProgressDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TLoadProgressDlg(QWidget* parent = nullptr);
  // Fields that set their text (the progress field also the bar) and let
  // pending events run, and say whether the load is cancelled. The main
  // window keeps other commands out meanwhile.
  TCaveLoadProgress Fields();
  // Told every action text the load reports, as it is shown.
  std::function<void(const std::string&)> OnAction;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool cancelled_ = false;
  QLabel* action_;
  QLabel* shots_;
  QLabel* surveys_;
  QLabel* polygons_;
  QLabel* progress_;
  QProgressBar* bar_;
  TRepaintPacer pacer_;
};

// "Progress": one bar, for X-file loads and saves.
class TProgressDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TProgressDlg(QWidget* parent = nullptr);
  void SetProgress(int percent);  // clamped to 0..100
  TXProgress Procedure();         // SetProgress, then pending events run

 private:
  QProgressBar* bar_;
  TRepaintPacer pacer_;
};

// "Version 5.YY.M.D." and the last dot-separated component of the version.
QString FormatVersionText(const QDate& fileDate, const QString& version);
// The leading word and the four-digit year.
QString FormatYearText(const QDate& fileDate);
// Both from the program file's modification date, built on first use.
QString VersionText();
QString YearText();

// The program's picture, for its windows.
QIcon ProgramIcon();

// "About Lumor Viewer", modal.
void ShowAbout(QWidget* parent);
// The "Lumora Help" window with the program's HTML help (one per parent),
// on one of its pages.
void ShowHelpContents(QWidget* parent, const QString& page = QStringLiteral("index.html"));
// "S&ave Settings": writes the working units; a failure is shown in an
// error box naming the file.
void SaveUnitsCommand(QWidget* parent, const TWorkingUnits& units);

}  // namespace lumora
