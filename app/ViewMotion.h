#pragma once
// The view in motion, kept quick on caves too big to draw many times a
// second: the double click's fly-in runs for a fixed time, dropping frames
// rather than stretching, and while the view moves (a drag, a fly-in) a
// light stand-in takes the place of the walls whenever the last full
// frame was slow; the full picture follows when the motion ends.

#include <QObject>
#include <QTimer>

#include <functional>

namespace lumora {

class TViewMotion : public QObject {
  Q_OBJECT
 public:
  // Full frames slower than this are stood in for while the view moves.
  static constexpr double kSlowFrame = 0.1;
  // The fly-in's steps and the time it takes for all of them.
  static constexpr int kFlyInSteps = 25;
  static constexpr double kFlyInSeconds = 0.5;
  // A drag whose mouse rests this long gets its full picture.
  static constexpr int kRestMilliseconds = 250;
  // About as many centreline segments as a stand-in draws.
  static constexpr int kStandInSegments = 200000;

  explicit TViewMotion(QObject* parent = nullptr);

  // Seconds on a steady clock; tests put in a clock of their own.
  std::function<double()> Clock;

  // Frame timing: a frame starts drawing, and it has reached the screen.
  void FrameStarted();
  void FrameShown();
  // How long the last full frame took, from its start until it was shown.
  double LastFullFrame() const { return lastFull_; }
  // Whether the frame now starting stands in for the full picture.
  bool StandIn() const { return (dragging_ || Flying()) && lastFull_ > kSlowFrame; }

  // The mouse moved the view with a button down, or the drag ended.
  void Dragged();
  void DragEnded();

  // Applies `step` kFlyInSteps times in all: at each turn of the events
  // as many as the time since the start calls for, then a frame. A fly-in
  // still running is finished first.
  void FlyIn(std::function<void()> step);
  // Applies the steps left at once.
  void FinishFlyIn();
  bool Flying() const { return static_cast<bool>(step_); }
  // Frames asked for by the fly-in so far.
  int FlyInFrames() const { return flyInFrames_; }

 signals:
  // The view should be drawn again.
  void Redraw();

 private:
  void Advance();
  // Applies the steps up to `due`; the fly-in ends with the last.
  void StepTo(int due);
  void MotionEnded();

  double frameStart_ = 0;
  bool frameFull_ = true, drawnLight_ = false;
  double lastFull_ = 0;
  bool dragging_ = false;
  QTimer rest_, ticks_;
  std::function<void()> step_;
  double flyStart_ = 0;
  int stepsDone_ = 0, flyInFrames_ = 0;
};

}  // namespace lumora
