#include "app/SurveyPage.h"

#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "document/CaveDocument.h"

namespace lumora {

TSurveyPage::TSurveyPage(TCaveDocument& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName("SurveyPage");
  filter_ = new QLineEdit;
  filter_->setObjectName("SurveyFilterEdit");
  filter_->setPlaceholderText("Filter surveys");
  filter_->setClearButtonEnabled(true);
  tree_ = new QTreeWidget;
  tree_->setObjectName("SurveyTree");
  tree_->setHeaderHidden(true);
  tree_->setExpandsOnDoubleClick(false);
  tree_->setToolTip("Check to show a survey, click to highlight it, double-click to fly to it");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(filter_);
  layout->addWidget(tree_, 1);
  connect(filter_, &QLineEdit::textChanged, this, &TSurveyPage::ApplyFilter);
  connect(tree_, &QTreeWidget::itemChanged, this, &TSurveyPage::ItemChanged);
  connect(tree_, &QTreeWidget::itemClicked, this, &TSurveyPage::Clicked);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (OnFrame) OnFrame(SurveysUnder(nodes_, item->data(0, Qt::UserRole).toInt()));
  });
}

void TSurveyPage::Fill() {
  const QSignalBlocker block(tree_);
  tree_->clear();
  items_.clear();
  highlighted_ = -1;
  nodes_ = BuildSurveyTree(document_.Model);
  for (size_t n = 0; n < nodes_.size(); ++n) {
    const TSurveyNode& node = nodes_[n];
    auto* item = node.Parent < 0 ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(items_[node.Parent]);
    item->setText(0, QString::fromStdString(node.Name));
    item->setToolTip(0, QString::fromStdString(node.FullName));
    item->setData(0, Qt::UserRole, static_cast<int>(n));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    item->setCheckState(0, Qt::Checked);
    items_.push_back(item);
  }
  // A small tree opens whole; a big one shows its top.
  if (nodes_.size() <= 60)
    tree_->expandAll();
  else
    tree_->expandToDepth(0);
  ApplyFilter(filter_->text());
}

QTreeWidgetItem* TSurveyPage::ItemOf(const QString& fullName) const {
  for (size_t n = 0; n < nodes_.size(); ++n)
    if (QString::fromStdString(nodes_[n].FullName) == fullName) return items_[n];
  return nullptr;
}

void TSurveyPage::ApplyFilter(const QString& text) {
  // A node shows when it or something below it holds the text; nodes come
  // after their parents, so children are settled walking backwards.
  std::vector<bool> show(nodes_.size());
  for (size_t n = nodes_.size(); n-- > 0;) {
    show[n] =
        show[n] || text.isEmpty() || QString::fromStdString(nodes_[n].FullName).contains(text, Qt::CaseInsensitive);
    if (show[n] && nodes_[n].Parent >= 0) show[nodes_[n].Parent] = true;
  }
  for (size_t n = 0; n < nodes_.size(); ++n) {
    items_[n]->setHidden(!show[n]);
    if (!text.isEmpty() && show[n]) items_[n]->setExpanded(true);
  }
}

void TSurveyPage::ItemChanged(QTreeWidgetItem*) {
  // A box settles its parents and children, each change told apart: the
  // boxes are read back once they all have, and the click that checked
  // a box is no click to highlight.
  if (checked_) return;
  checked_ = true;
  QTimer::singleShot(0, this, [this] {
    checked_ = false;
    ApplyChecks();
  });
}

void TSurveyPage::ApplyChecks() {
  std::vector<uint8_t> shown(static_cast<size_t>(document_.Model.Surveys.Count()), 0);
  for (size_t n = 0; n < nodes_.size(); ++n)
    if (items_[n]->checkState(0) != Qt::Unchecked)
      for (int s : nodes_[n].Surveys) shown[s] = 1;
  if (shown == document_.ShownSurveys) return;
  document_.ShownSurveys = std::move(shown);
  if (OnShownChanged) OnShownChanged();
}

void TSurveyPage::Clicked(QTreeWidgetItem* item) {
  if (checked_) return;
  const int node = item->data(0, Qt::UserRole).toInt();
  // A second click on the highlighted node ends the highlight.
  highlighted_ = node == highlighted_ ? -1 : node;
  document_.HighlightedSurveys.clear();
  if (highlighted_ >= 0) {
    document_.HighlightedSurveys.assign(static_cast<size_t>(document_.Model.Surveys.Count()), 0);
    for (int s : SurveysUnder(nodes_, highlighted_)) document_.HighlightedSurveys[s] = 1;
  }
  for (size_t n = 0; n < items_.size(); ++n) {
    QFont f = items_[n]->font(0);
    f.setBold(static_cast<int>(n) == highlighted_);
    items_[n]->setFont(0, f);
  }
  if (OnHighlightChanged) OnHighlightChanged();
}

}  // namespace lumora
