#pragma once
// The main window as the window tests drive it, a fresh one for each test:
// its controls found by name, its cave frame, a frame drawn, buttons
// clicked, the demo cave loaded, the next modal dialog answered and mouse
// events sent to the view. A test class derives from this and from QObject
// and calls OpenWindow() in its init() slot and CloseWindow() in cleanup().

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

#include "app/GLMain.h"
#include "app/qtest/ShowWindow.h"
#include "app/qtest/WhenModal.h"
#include "viewer/GLViewer.h"

namespace lumora {

inline const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

inline bool IsGreen(QRgb p) { return qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60; }

class TMainWindowFixture {
 protected:
  std::unique_ptr<TForm1> form;
  QStringList infos, errors;
  QTemporaryDir temp;

  // A new window with its scene, its message boxes collected.
  void OpenWindow() {
    infos.clear();
    errors.clear();
    ShowWindow(form, 640, 420, &infos, &errors);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    QCOMPARE(form->windowTitle(), QString("Lumora"));
  }
  void CloseWindow() { form.reset(); }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TGLFrame& Cave() { return *form->Scene().CaveFrame; }
  // One frame, so the frames' matrices and the status bar are current.
  QImage Render() { return form->Viewer()->grabFramebuffer(); }
  void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton); }
  void Home() {
    Cave().ApplyHomeAngles();
    Cave().ResetOrientation();
    Render();
  }
  void Load(const QString& file) {
    form->LoadCave(file);
    QVERIFY(!form->Loading());
    Render();
  }
  QString CopyOfDemo(const QString& name) {
    const QString path = temp.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(kDemo, path)) qFatal("cannot copy the demo cave");
    return path;
  }
  // Runs `act` on the next modal dialog once it shows; its title is kept.
  void OnNextDialog(std::function<void(QWidget*)> act, QString* title) {
    WhenModal(form.get(), [act, title](QWidget* d) {
      *title = d->windowTitle();
      act(d);
    });
  }
  static void Press(QWidget* dialog, const QString& text) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
      if (b->text().remove('&') == text) return b->click();
    qFatal("no button %s", qPrintable(text));
  }
  void SendMouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, form->Viewer()->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(form->Viewer(), &e);
  }
};

}  // namespace lumora
