#pragma once
// Stations in the main window: the find box on the tool bar, picking a
// station with a click, measuring to a second with Shift+click, and the
// markers and the measuring line drawn over the view.

#include <QObject>
#include <QString>

#include <vector>

#include "geometry/GLMatrix.h"
#include "model/StationIndex.h"
#include "viewer/PickGrid.h"

class QAction;
class QLabel;
class QLineEdit;
class QToolBar;
class QTreeWidget;

namespace lumora {

class TElidedLabel;
class TForm1;
struct TWindowPoint;

class TStationTool : public QObject {
  Q_OBJECT
 public:
  // Adds the find box to `bar` and the station field to the status bar.
  TStationTool(TForm1& form, QToolBar& bar);
  ~TStationTool() override;

  // Around every load: the index points into the plot model the load refills.
  // It is made again when first needed, so a big cave's first frame does
  // not wait for it.
  void Clear();
  void Rebuild();
  // The document's shown surveys changed: hidden stations are neither
  // found nor picked, and the selection goes.
  void SurveysChanged();

  // Searches for the box's text and frames all its matches, or steps to the
  // next match of the same text and frames that one.
  void FindNext();
  // The drop-down of the box's matches: name, survey, depth.
  QTreeWidget* MatchList() const { return list_; }
  // Picks the station under (x, y) in the view; with `measure`, measures
  // from the one picked before. False when no station is near.
  bool PickAt(int x, int y, bool measure);
  void ClearSelection();
  // Moves the cave, in a few frames, so that the points (scene coordinates)
  // fill the view within the margin.
  void FramePoints(const std::vector<T3DVector>& points);
  // Draws the markers and the line; called after each frame, context current.
  void Draw();

  const TStationIndex& Index() {
    EnsureIndex();
    return index_;
  }
  // Scene coordinates of each index entry.
  const std::vector<T3DVector>& ScenePositions() {
    EnsureIndex();
    return scenePositions_;
  }
  // Where an entry is in the view now; nothing when behind the eye.
  bool WindowPosition(int entry, TWindowPoint& out) const;
  int Selected() const { return selected_; }
  // The station and measurement text, whole.
  QString FieldText() const { return fieldText_; }
  int MeasuredTo() const { return measuredTo_; }
  const std::vector<int>& Matches() const { return matches_; }

  // How near a click must come to a station, in pixels.
  static constexpr double kPickRadius = 6;
  // Framed matches keep this share of the view's width and height free
  // around them.
  static constexpr double kFrameMargin = 0.1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EnsureIndex();
  void UpdateShown();
  TMatrix4 StationModelview() const;
  bool WindowPosition(const TMatrix4& modelview, int entry, TWindowPoint& out) const;
  // Moves the cave, in a few frames, so that the entries' box fills the view
  // within the margin; one entry is framed with the cave around it.
  void Frame(const std::vector<int>& entries);
  void FlyBy(const T3DVector& eyeShift);
  void Search(const QString& text);
  void ShowMatchList();
  void Choose(int entry);
  void StepTo(int place);
  QString StationText(int entry) const;
  QString MeasureText(int from, int to) const;
  void Show(const QString& text);

  TForm1& form_;
  QLineEdit* edit_;
  TElidedLabel* field_;
  QTreeWidget* list_;
  QString fieldText_;
  QAction* findAct_;
  TStationIndex index_;
  std::vector<T3DVector> scenePositions_;
  // Per entry, whether its survey is shown; empty when all are.
  std::vector<uint8_t> shown_;
  TPickGrid grid_;
  bool indexStale_ = false;
  std::vector<int> matches_;
  QString searched_;
  int current_ = -1;       // place in matches_
  bool stepping_ = false;  // the matches were framed together: Enter steps
  int selected_ = -1, measuredTo_ = -1;
  bool pressed_ = false, ignoreRelease_ = false;
  int pressX_ = 0, pressY_ = 0;
};

}  // namespace lumora
