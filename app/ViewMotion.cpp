#include "app/ViewMotion.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace lumora {

TViewMotion::TViewMotion(QObject* parent) : QObject(parent) {
  Clock = [] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); };
  rest_.setSingleShot(true);
  rest_.setInterval(kRestMilliseconds);
  connect(&rest_, &QTimer::timeout, this, &TViewMotion::DragEnded);
  ticks_.setInterval(10);
  connect(&ticks_, &QTimer::timeout, this, &TViewMotion::Advance);
}

void TViewMotion::FrameStarted() {
  frameStart_ = Clock();
  frameFull_ = !StandIn();
  drawnLight_ = !frameFull_;
  if (Flying()) ++flyInFrames_;
}

void TViewMotion::FrameShown() {
  if (frameFull_) lastFull_ = Clock() - frameStart_;
}

void TViewMotion::Dragged() {
  dragging_ = true;
  rest_.start();
}

void TViewMotion::DragEnded() {
  rest_.stop();
  if (!dragging_) return;
  dragging_ = false;
  MotionEnded();
}

void TViewMotion::MotionEnded() {
  // The last frame stood in for the walls: the full picture now.
  if (drawnLight_ && !dragging_ && !Flying()) emit Redraw();
}

void TViewMotion::FlyIn(std::function<void()> step) {
  FinishFlyIn();
  step_ = std::move(step);
  flyStart_ = Clock();
  stepsDone_ = flyInFrames_ = 0;
  Advance();
  ticks_.start();
}

void TViewMotion::Advance() {
  if (!step_) return;
  // The first step at once, then one every kFlyInSeconds / kFlyInSteps.
  const double share = (Clock() - flyStart_) / kFlyInSeconds;
  const int due = static_cast<int>(std::clamp(std::floor(share * kFlyInSteps) + 1, 1.0, double(kFlyInSteps)));
  if (due > stepsDone_) StepTo(due);
}

void TViewMotion::FinishFlyIn() {
  if (step_) StepTo(kFlyInSteps);
}

void TViewMotion::StepTo(int due) {
  while (stepsDone_ < due) {
    step_();
    ++stepsDone_;
  }
  if (stepsDone_ == kFlyInSteps) {
    ticks_.stop();
    step_ = nullptr;
  }
  emit Redraw();
}

}  // namespace lumora
