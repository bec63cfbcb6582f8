#pragma once
// The "Surveys" page beside the view: the cave's surveys as a tree with a
// box per node to show or hide everything of it, a filter box, a click to
// highlight a survey (the rest dimmed) and a double click to frame it.
// What is shown and highlighted lives in the cave document.

#include <QWidget>

#include <functional>
#include <vector>

#include "model/SurveyTree.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace lumora {

class TCaveDocument;

class TSurveyPage : public QWidget {
  Q_OBJECT
 public:
  explicit TSurveyPage(TCaveDocument& document, QWidget* parent = nullptr);

  // The tree of the document's model, everything shown, nothing
  // highlighted; after every load.
  void Fill();

  // The shown or highlighted surveys changed in the document.
  std::function<void()> OnShownChanged, OnHighlightChanged;
  // The surveys of a node to frame in the view.
  std::function<void(const std::vector<int>& surveys)> OnFrame;

  QTreeWidget* Tree() const { return tree_; }
  QLineEdit* Filter() const { return filter_; }
  // The item of a node, for tests: the node's full name.
  QTreeWidgetItem* ItemOf(const QString& fullName) const;

 private:
  void ApplyFilter(const QString& text);
  void ItemChanged(QTreeWidgetItem* item);
  void ApplyChecks();
  void Clicked(QTreeWidgetItem* item);

  TCaveDocument& document_;
  std::vector<TSurveyNode> nodes_;
  std::vector<QTreeWidgetItem*> items_;
  QLineEdit* filter_;
  QTreeWidget* tree_;
  int highlighted_ = -1;  // node
  bool checked_ = false;
};

}  // namespace lumora
