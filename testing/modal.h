// GUI test helper: acts on a modal window from inside its own event loop.
//
// OnNextModal<W>(act) polls the event loop until a modal window of type W is
// open (QApplication::activeModalWidget), then calls act(window) once. `act`
// normally ends the window (a key, a click, close()). If it has not ended it
// within kModalTimeoutMs, the test fails and the window is closed, so that
// it does not hang.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

namespace zararod::testing {

inline constexpr int kModalTimeoutMs = 5000;

template <class W>
void OnNextModal(std::function<void(W*)> act) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    // The window system activates a new window in its own time; the keys of
    // a test must reach the window's focus control now.
    if (!window->isActiveWindow()) QApplication::setActiveWindow(window);
    QPointer<W> guard(window);
    QTimer::singleShot(kModalTimeoutMs, qApp, [guard] {
      if (!guard || !guard->isVisible()) return;
      ADD_FAILURE() << "the modal window was still open";
      guard->close();
    });
    act(window);
  });
  poll->start();
}

}  // namespace zararod::testing
