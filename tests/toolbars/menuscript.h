#pragma once
// Steps run one after another from the event loop while a menu loop blocks
// the test (the loop's nested event loop runs them); each may check what it
// sees and drive the menu on.

#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbpopupwindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qel::toolbars::test {

// The popup windows shown now, outermost first.
inline QList<TTbrPopupWindow *> OpenPopups(TTbrView *root) {
  QList<TTbrPopupWindow *> popups;
  for (TTbrView *v = root ? root->OpenViewerView() : nullptr; v; v = v->OpenViewerView())
    if (auto *p = dynamic_cast<TTbrPopupView *>(v))
      popups << p->Window();
  return popups;
}


class TScript {
public:
  void Then(std::function<void()> step) { Steps.push_back(std::move(step)); }
  void Start() { Next(0); }
  bool Done() const { return Ran == Steps.size(); }

private:
  void Next(std::size_t index) {
    QTimer::singleShot(60, &Context, [this, index] {
      Index = index;
      if (index >= Steps.size()) {
        // A script that went wrong must not leave the loop waiting for input.
        if (TTbrQtModalDriver::Running()) {
          ADD_FAILURE() << "the menu loop still runs after the script";
          QEvent deactivate(QEvent::ApplicationDeactivate);
          QCoreApplication::sendEvent(qApp, &deactivate);
        }
        return;
      }
      Steps[index]();
      ++Ran;
      Next(index + 1);
    });
  }
  std::vector<std::function<void()>> Steps;
  std::size_t Index = 0, Ran = 0;
  QObject Context; // its timers go with the script
};

} // namespace qel::toolbars::test
