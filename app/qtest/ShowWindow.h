#pragma once
// The main window of a window test: shown, its scene made, and its message
// boxes collecting their texts instead of waiting for a person.

#include <QLocale>
#include <QStringList>
#include <QtTest>

#include <memory>

#include "app/GLMain.h"
#include "model/PlotReader.h"

namespace lumora {

// Boxes whose list is null are dropped. Callers check
// QTest::currentTestFailed() afterwards.
inline void ShowWindow(std::unique_ptr<TForm1>& form, int width, int height, QStringList* infos, QStringList* errors) {
  QLocale::setDefault(QLocale::c());
  InitPlotUnits();
  form = std::make_unique<TForm1>();
  form->InformationBox = [infos](const QString& t) {
    if (infos) *infos << t;
  };
  form->ErrorBox = [errors](const QString& t) {
    if (errors) *errors << t;
  };
  form->resize(width, height);
  form->show();
  QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

}  // namespace lumora
