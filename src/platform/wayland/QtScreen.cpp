#include "platform/wayland/QtScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <climits>

namespace toviwall::platform {

QtScreen::QtScreen() {
  if (!qGuiApp) return;
  for (QScreen* screen : QGuiApplication::screens()) Watch(screen);
  connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    Watch(screen);
    AnnounceLayoutChange();
  });
  connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { AnnounceLayoutChange(); });
  connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { AnnounceLayoutChange(); });
}

void QtScreen::Watch(QScreen* screen) {
  connect(screen, &QScreen::geometryChanged, this, [this] { AnnounceLayoutChange(); });
}

ScreenSize QtScreen::PrimaryScreenSize() {
  const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
  if (!primary) return {};
  return {primary->geometry().width(), primary->geometry().height()};
}

ScreenLayout QtScreen::Layout() {
  if (!qGuiApp) return {};
  const QScreen* primary = QGuiApplication::primaryScreen();
  std::vector<QRect> rects;
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->geometry().isValid()) rects.push_back(screen->geometry());
  if (rects.empty()) return {};
  int left = INT_MAX, top = INT_MAX;
  for (const QRect& r : rects) {
    left = std::min(left, r.x());
    top = std::min(top, r.y());
  }
  const QRect first = primary ? primary->geometry() : rects.front();
  std::stable_sort(rects.begin(), rects.end(), [&](const QRect& a, const QRect& b) {
    if ((a == first) != (b == first)) return a == first;
    return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y();
  });
  ScreenLayout layout;
  for (const QRect& r : rects) {
    const MonitorRect m{r.x() - left, r.y() - top, r.width(), r.height()};
    layout.width = std::max(layout.width, m.x + m.width);
    layout.height = std::max(layout.height, m.y + m.height);
    layout.monitors.push_back(m);
  }
  return layout;
}

}  // namespace toviwall::platform
