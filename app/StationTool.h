#pragma once
// Stations in the main window: the find box on the tool bar, picking a
// station with a click, measuring to a second with Shift+click, and the
// markers and the measuring line drawn over the view.

#include <QObject>
#include <QString>

#include <vector>

#include "geometry/GLMatrix.h"
#include "model/StationIndex.h"

class QAction;
class QLabel;
class QLineEdit;
class QToolBar;

namespace lumora {

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

  // Searches for the box's text, or steps to the next match of the same text.
  void FindNext();
  // Picks the station under (x, y) in the view; with `measure`, measures
  // from the one picked before. False when no station is near.
  bool PickAt(int x, int y, bool measure);
  void ClearSelection();
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
  int MeasuredTo() const { return measuredTo_; }
  const std::vector<int>& Matches() const { return matches_; }

  // How near a click must come to a station, in pixels.
  static constexpr double kPickRadius = 6;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EnsureIndex();
  TMatrix4 StationModelview() const;
  bool WindowPosition(const TMatrix4& modelview, int entry, TWindowPoint& out) const;
  void FlyTo(int entry);
  QString StationText(int entry) const;
  QString MeasureText(int from, int to) const;
  void Show(const QString& text);

  TForm1& form_;
  QLineEdit* edit_;
  QLabel* field_;
  QAction* findAct_;
  TStationIndex index_;
  std::vector<T3DVector> scenePositions_;
  bool indexStale_ = false;
  std::vector<int> matches_;
  QString searched_;
  int current_ = -1;  // place in matches_
  int selected_ = -1, measuredTo_ = -1;
  bool pressed_ = false, ignoreRelease_ = false;
  int pressX_ = 0, pressY_ = 0;
};

}  // namespace lumora
