#include "gui/screen_place.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace wl {

namespace {

QMargins largestFrame;
QRect assumedArea;

QMargins OwnFrame(const QWidget* w) {
  const QRect outer = w->frameGeometry(), inner = w->geometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

// The free area of the screen the window stands on (by its centre), else of the primary screen.
QRect FreeArea(const QWidget* w, QPoint at) {
  if (!assumedArea.isEmpty()) return assumedArea;
  QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen) screen = w->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QMargins FrameMargins(const QWidget* w) {
  const QMargins own = OwnFrame(w);
  if (!own.isNull()) {
    largestFrame = QMargins(std::max(largestFrame.left(), own.left()), std::max(largestFrame.top(), own.top()),
                            std::max(largestFrame.right(), own.right()), std::max(largestFrame.bottom(), own.bottom()));
    return own;
  }
  // A frameless window has none of its own and gets none.
  if (w->windowFlags() & Qt::FramelessWindowHint) return {};
  return largestFrame;
}

namespace {

// Where the frame goes for a wanted top left: the wanted place, moved (and the client made smaller) so that
// the whole frame lies on the free area.
void Place(QWidget* w, QPoint wanted) {
  const QMargins m = FrameMargins(w);
  QSize size = w->size();
  QRect frame(wanted, size.grownBy(m));
  const QRect area = FreeArea(w, frame.center());
  if (area.isEmpty()) return;
  // Larger than the free area: the client shrinks by the difference, as far as the window lets it.
  if (frame.width() > area.width()) size.setWidth(std::max(w->minimumWidth(), area.width() - m.left() - m.right()));
  if (frame.height() > area.height()) size.setHeight(std::max(w->minimumHeight(), area.height() - m.top() - m.bottom()));
  if (size != w->size()) {
    w->resize(size);
    frame.setSize(size.grownBy(m));
  }
  const QPoint to(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())),
                  std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
  if (to != w->pos()) w->move(to);
}

}  // namespace

void KeepOnScreen(QWidget* w) {
  if (!w || !w->isWindow()) return;
  Place(w, w->pos());
}

void SetScreenArea(const QRect& area) { assumedArea = area; }

void KeepOnScreenSoon(QWidget* w) {
  if (!w || !w->isWindow()) return;
  const QPoint wanted = w->pos();
  Place(w, wanted);
  // The window system frames a window shown just now a little later, and its frame is known only then: the
  // window is placed again from the same wanted place.
  QPointer<QWidget> guarded(w);
  for (int ms : {0, 300}) {
    QTimer::singleShot(ms, w, [guarded, wanted] {
      if (guarded && guarded->isVisible()) Place(guarded, wanted);
    });
  }
}

void ShowAt(QWidget* w, QPoint frameTopLeft, bool activate) {
  w->move(frameTopLeft);
  w->show();
  w->raise();
  if (activate) w->activateWindow();
  KeepOnScreenSoon(w);
}

}  // namespace wl
