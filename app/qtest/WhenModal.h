#pragma once
// Driving a modal dialog of a window test from a timer.

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace lumora {

// Runs `act` on the modal window once it is up; whatever `act` leaves open
// is rejected so a failing check cannot hang the test. The watch ends with
// `scope`, so none outlives the test that set it.
inline void WhenModal(QObject* scope, std::function<void(QWidget*)> act) {
  auto* poll = new QTimer(scope);
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal && ++*tries < 500) return;
    poll->stop();
    poll->deleteLater();
    if (!modal) return;
    act(modal);
    if (QApplication::activeModalWidget() == modal)
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  poll->start(10);
}

}  // namespace lumora
