#pragma once
// What the toolbar tests share: QStrings printed readably in failures, items
// added by caption, a submenu item, a text measure of fixed sizes and a
// desktop of one monitor.

#include "toolbars/core/platformmetrics.h"
#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbviewhost.h"
#include "toolbars/qt/qtplatformmetrics.h"

#include <QApplication>
#include <QRect>
#include <QSize>
#include <QString>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace qel::toolbars::test {

class TSubmenuItem : public TTbrCustomItem {
public:
  TSubmenuItem() { SetItemStyle(ItemStyle() | tbis::Submenu | tbis::SubitemsEditable); }
};

template <typename T = TTbrCustomItem> T *Add(TTbrCustomItem *parent, const QString &caption) {
  auto *item = new T;
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

// Every character 6 pixels wide (bold ones boldWidth), lines 13 high.
class TFixedMeasure : public TTbrTextMeasure {
public:
  explicit TFixedMeasure(int boldWidth = 6) : boldWidth_(boldWidth) {}
  QSize TextExtent(const QString &text, bool bold) const override {
    return QSize(int(text.size()) * (bold ? boldWidth_ : 6), 13);
  }
  int TextHeight(bool) const override { return 13; }

private:
  int boldWidth_;
};

// One monitor of the given size (its work area the same unless given), menus
// not animated; installed as the platform metrics while it lives.
class TTestDesktop : public TPlatformMetrics {
public:
  explicit TTestDesktop(const QRect &monitor, const QRect &workArea = QRect(), int menuShowDelay = -1)
      : monitor_(monitor), workArea_(workArea.isNull() ? monitor : workArea), delay_(menuShowDelay) {
    SetPlatformMetrics(this);
    QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
  }
  ~TTestDesktop() override { SetPlatformMetrics(nullptr); }
  QList<TMonitor> Monitors() const override { return {{monitor_, workArea_}}; }
  int MenuShowDelay() const override { return delay_ < 0 ? TPlatformMetrics::MenuShowDelay() : delay_; }

private:
  QRect monitor_, workArea_;
  int delay_;
};

}  // namespace qel::toolbars::test
