#pragma once
// Shared by the benchmarks that drive the main window under Xvfb.

#include <QApplication>
#include <QEventLoop>
#include <QOpenGLWidget>
#include <QTimer>

#include <cstdio>

#include "app/GLMain.h"
#include "viewer/GLViewer.h"

namespace lumora::bench {

// Runs the event loop until the view has put a frame on the screen.
inline void WaitForFrame(TGLViewer& viewer) {
  QEventLoop loop;
  QObject::connect(&viewer, &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
  QTimer::singleShot(600000, &loop, &QEventLoop::quit);
  loop.exec();
}

// The window at 1280 x 960, its boxes on standard error, its scene made
// and its first (empty) frame shown.
inline TGLViewer& ShowWindow(TForm1& form) {
  form.ErrorBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
  form.resize(1280, 960);
  form.show();
  TGLViewer& viewer = *form.Viewer();
  while (!form.SceneCreated()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  WaitForFrame(viewer);
  return viewer;
}

}  // namespace lumora::bench
