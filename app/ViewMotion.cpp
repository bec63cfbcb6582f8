#include "app/ViewMotion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace lumora {

TViewMotion::TViewMotion(QObject* parent) : QObject(parent) {
  Clock = [] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); };
  rest_.setSingleShot(true);
  rest_.setInterval(kRestMilliseconds);
  connect(&rest_, &QTimer::timeout, this, [this] {
    if (!keyDown_) Stopped();
  });
  ticks_.setInterval(10);
  connect(&ticks_, &QTimer::timeout, this, &TViewMotion::Advance);
}

void TViewMotion::FrameStarted() {
  frameStart_ = Clock();
  drawing_ = true;
  // A move that came and went between two frames is still shown light
  // first: its frame should not wait for a slow full one.
  drawnLight_ = (moving_ || moved_ || Flying()) && lastFull_ > kSlowFrame;
  moved_ = false;
  if (Flying()) ++flyInFrames_;
}

void TViewMotion::FrameShown() {
  // The window also shows its frames again for other widgets' sake.
  if (!std::exchange(drawing_, false)) return;
  const double took = Clock() - frameStart_;
  if (!drawnLight_) {
    lastFull_ = took;
  } else {
    // The frame's fixed costs stay: a step at a time towards the aim.
    const double share = std::clamp(kLightFrame / std::max(took, 1e-3), 0.5, 1.5);
    standInSegments_ = std::clamp(static_cast<int>(standInSegments_ * share), kFewestSegments, kMostSegments);
  }
  MotionEnded();
}

void TViewMotion::Moved() {
  moving_ = moved_ = true;
  rest_.start();
  emit Redraw();
}

void TViewMotion::KeyDown() { keyDown_ = true; }

void TViewMotion::KeyUp() {
  if (!std::exchange(keyDown_, false)) return;
  Stopped();
}

void TViewMotion::Stopped() {
  rest_.stop();
  moving_ = false;
  MotionEnded();
}

void TViewMotion::MotionEnded() {
  // The last frame stood in for the walls and none is due: the full
  // picture now.
  if (drawnLight_ && !moving_ && !moved_ && !Flying()) emit Redraw();
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
