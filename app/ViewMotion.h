#pragma once
// The view in motion, kept quick on caves too big to draw many times a
// second: the double click's fly-in runs for a fixed time, dropping frames
// rather than stretching, and while the view moves (a drag, keys, the
// wheel, a fly-in) a light stand-in takes the place of the walls whenever
// the last full frame was slow; the full picture follows when the motion
// ends. Input only changes the view and asks for a frame: however many
// events come while a frame draws, the next frame is one, of the newest
// view.

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
  // Input that rests this long gets its full picture (a drag's mouse
  // still held, the wheel, the toolbar's buttons).
  static constexpr int kRestMilliseconds = 250;
  // Stand-ins start with about kStandInSegments centreline segments, then
  // draw more or fewer (kFewestSegments to kMostSegments) for frames of
  // kLightFrame.
  static constexpr int kStandInSegments = 50000, kFewestSegments = 20000, kMostSegments = 200000;
  static constexpr double kLightFrame = 0.05;

  explicit TViewMotion(QObject* parent = nullptr);

  // Seconds on a steady clock; tests put in a clock of their own.
  std::function<double()> Clock;

  // Frame timing: a frame starts drawing, and it has reached the screen.
  void FrameStarted();
  void FrameShown();
  // How long the last full frame took, from its start until it was shown.
  double LastFullFrame() const { return lastFull_; }
  // About as many centreline segments as the next stand-in draws.
  int StandInSegments() const { return standInSegments_; }
  // Whether the frame drawn last, or drawing now, stands in for the full
  // picture.
  bool StandIn() const { return drawnLight_; }

  // Input moved the view; it is drawn again.
  void Moved();
  // A key went down or up: a held key's repeats are one motion, which
  // ends when it is let go.
  void KeyDown();
  void KeyUp();
  // The mouse button went up, or the input rested: the motion ends.
  void Stopped();

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
  // Asks for the full picture once nothing moves and a stand-in is up.
  void MotionEnded();

  double frameStart_ = 0;
  bool drawing_ = false, drawnLight_ = false;
  double lastFull_ = 0;
  int standInSegments_ = kStandInSegments;
  // Input goes on; the view moved since the last frame started.
  bool moving_ = false, moved_ = false, keyDown_ = false;
  QTimer rest_, ticks_;
  std::function<void()> step_;
  double flyStart_ = 0;
  int stepsDone_ = 0, flyInFrames_ = 0;
};

}  // namespace lumora
