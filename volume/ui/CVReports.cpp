#include "volume/ui/CVReports.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "controls/Fields.h"
#include "platform/AtomicFile.h"

namespace lumora {

TFindDlg::TFindDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("FindDialog");
  setWindowTitle("Find");
  FindText = new QLineEdit;
  FindText->setObjectName("FindText");
  MatchCase = new QCheckBox("Match &case");
  MatchCase->setObjectName("MatchCase");
  FindNextBtn = Button("FindNextBtn", "&Find Next");
  FindNextBtn->setDefault(true);
  auto* cancel = Button("CancelBtn", "Cancel");
  auto* grid = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* what = new QLabel("Fi&nd what:");
  what->setBuddy(FindText);
  row->addWidget(what);
  row->addWidget(FindText, 1);
  row->addWidget(FindNextBtn);
  auto* row2 = new QHBoxLayout;
  row2->addWidget(MatchCase);
  row2->addStretch();
  row2->addWidget(cancel);
  grid->addLayout(row);
  grid->addLayout(row2);
  connect(FindNextBtn, &QPushButton::clicked, this, &TFindDlg::Find);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TVolumeReportsDlg::TVolumeReportsDlg(TVolumeModel& model, TWorkingUnits& units, QWidget* parent)
    : QDialog(parent), model_(model), units_(units) {
  setObjectName("VolumeReportsDlg");
  setWindowTitle("Volume Reports");
  ReportMemo = new QPlainTextEdit;
  ReportMemo->setObjectName("ReportMemo");
  QFont fixed("Fixedsys");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFixedPitch(true);
  ReportMemo->setFont(fixed);
  ReportMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  ReportMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ReportMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  Button1 = Button("Button1", "Show Report");
  AbortBtn = Button("AbortBtn", "Abort");
  PrintStatsBtn = Button("PrintStatsBtn", "Print");
  FileStatsBtn = Button("FileStatsBtn", "Save As..");
  ShowStatsBtn = Button("ShowStatsBtn", "Find");
  OKBtn = Button("OKBtn", "Close");
  CopyBtn = Button("CopyBtn", "Copy All");

  auto* left = new QVBoxLayout;
  left->addWidget(Button1);
  left->addWidget(AbortBtn);
  left->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addLayout(left);
  middle->addWidget(ReportMemo, 1);
  auto* bottom = new QHBoxLayout;
  for (QPushButton* b : {PrintStatsBtn, FileStatsBtn, ShowStatsBtn, OKBtn, CopyBtn}) bottom->addWidget(b);
  auto* main = new QVBoxLayout(this);
  main->addLayout(middle, 1);
  main->addLayout(bottom);

  FindDialog = new TFindDlg(this);
  AskSaveFile = [this] {
    QFileDialog d(this, "Save As", QDir::currentPath(), "Text Files (*.txt);;All Files (*)");
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix("txt");
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
    return d.selectedFiles().first();
  };
  ErrorBox = [this](const QString& text, QPoint at) {
    QMessageBox box(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, FindDialog);
    box.move(at);
    box.exec();
  };

  connect(Button1, &QPushButton::clicked, this, &TVolumeReportsDlg::ShowReport);
  connect(AbortBtn, &QPushButton::clicked, this, [this] { reports_.Abort = true; });
  connect(PrintStatsBtn, &QPushButton::clicked, this, &TVolumeReportsDlg::PrintClick);
  connect(FileStatsBtn, &QPushButton::clicked, this, &TVolumeReportsDlg::SaveClick);
  connect(ShowStatsBtn, &QPushButton::clicked, FindDialog, [this] {
    FindDialog->show();
    FindDialog->raise();
  });
  connect(FindDialog, &TFindDlg::Find, this, &TVolumeReportsDlg::FindNext);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(CopyBtn, &QPushButton::clicked, this, &TVolumeReportsDlg::CopyClick);
  resize(640, 480);
}

void TVolumeReportsDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!centred_) CentreOnScreen(this);
  centred_ = true;
}

void TVolumeReportsDlg::reject() {
  // A report that runs stops after its row; the dialog closes meanwhile.
  reports_.Abort = true;
  QDialog::reject();
}

void TVolumeReportsDlg::ShowReport() {
  if (running_) return;
  running_ = true;
  Button1->setEnabled(false);
  ReportMemo->clear();
  matchEnd_ = -1;
  shown_ = 0;
  percent_ = 0;
  // A row of a big cave takes a millisecond; serving the memo, the bar and
  // the events after each would take far longer than the rows.
  paced_.invalidate();
  reports_.OnIdle = [this] {
    if (paced_.isValid() && paced_.elapsed() < PaceMs) return;
    ShowNewLines();
    QCoreApplication::processEvents();
    paced_.restart();
  };
  reports_.OnProgress = [this](int percent) { percent_ = percent; };
  bool failed = false;
  try {
    reports_.Run(model_, units_, Options ? Options() : TReportOptions{});
  } catch (const std::exception& e) {
    failed = true;
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
  }
  ShowNewLines();
  running_ = false;
  Button1->setEnabled(true);
  if (Restore) Restore(failed);
}

void TVolumeReportsDlg::ShowNewLines() {
  const std::vector<std::string>& lines = reports_.Lines;
  if (shown_ < lines.size()) {
    // Each line after the first starts a paragraph of its own, so the text
    // is the lines joined by line feeds, empty lines included.
    QString text;
    for (; shown_ < lines.size(); ++shown_) {
      if (shown_ > 0) text += '\n';
      text += QString::fromStdString(lines[shown_]);
    }
    QTextCursor end(ReportMemo->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
  }
  if (Progress) Progress(percent_);
}

bool TVolumeReportsDlg::FindNext() {
  const QString what = FindDialog->FindText->text();
  const Qt::CaseSensitivity cs = FindDialog->MatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const QString text = ReportMemo->toPlainText();
  const int at = what.isEmpty() ? -1 : static_cast<int>(text.indexOf(what, std::max(matchEnd_, 0), cs));
  if (at < 0) {
    ErrorBox("Could not find: " + what, FindDialog->frameGeometry().topLeft() + QPoint(360, 125));
    return false;
  }
  QTextCursor c = ReportMemo->textCursor();
  c.setPosition(at);
  c.setPosition(at + static_cast<int>(what.size()), QTextCursor::KeepAnchor);
  ReportMemo->setTextCursor(c);
  ReportMemo->setFocus();
  matchEnd_ = at + static_cast<int>(what.size());
  return true;
}

void TVolumeReportsDlg::SaveReport(const QString& file) const {
  WriteFileAtomically(file.toStdString(), ReportMemo->toPlainText().toStdString() + '\n');
}

void TVolumeReportsDlg::SaveClick() {
  const QString file = AskSaveFile();
  if (file.isEmpty()) return;
  try {
    SaveReport(file);
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
  }
}

void TVolumeReportsDlg::PrintReport(QPrinter& printer) const {
  QTextDocument doc;
  QFont f("Courier New", 9);
  f.setBold(true);
  f.setFixedPitch(true);
  f.setStyleHint(QFont::TypeWriter);
  doc.setDefaultFont(f);
  doc.setPlainText(ReportMemo->toPlainText());
  doc.print(&printer);
}

void TVolumeReportsDlg::PrintClick() {
  QPrinter printer;
  QPrintDialog d(&printer, this);
  d.setOption(QAbstractPrintDialog::PrintToFile, true);
  if (d.exec() != QDialog::Accepted) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  PrintReport(printer);
  QApplication::restoreOverrideCursor();
}

void TVolumeReportsDlg::CopyClick() { QGuiApplication::clipboard()->setText(ReportMemo->toPlainText()); }

}  // namespace lumora
