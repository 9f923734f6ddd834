#include "gui/screen_place.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace wl {

namespace {

QMargins largestFrame;
QRect assumedArea;
// The number of a window's latest placement: a placement still to come acts only while it is the latest.
const char* const kPlacing = "wl_placing";

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

QRect PlaceClearOf(const QRect& area, const QRect& wanted, const QRect& clear, int minHeight) {
  auto onArea = [&area](QRect r) {
    r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - r.width())));
    r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - r.height())));
    return r;
  };
  const QRect start = onArea(wanted);
  if (clear.isEmpty() || area.isEmpty() || !start.intersects(clear)) return start;
  const int w = start.width(), h = start.height();
  const QRect whole[] = {
      QRect(clear.left() - w, start.top(), w, h),        // left of it
      QRect(clear.right() + 1, start.top(), w, h),       // right of it
      QRect(start.left(), clear.top() - h, w, h),        // above it
      QRect(start.left(), clear.bottom() + 1, w, h),     // below it
  };
  const QRect* best = nullptr;
  auto distance = [&start](const QRect& r) { return (r.topLeft() - start.topLeft()).manhattanLength(); };
  for (const QRect& r : whole)
    if (area.contains(r) && !r.intersects(clear) && (!best || distance(r) < distance(*best))) best = &r;
  if (best) return *best;
  // Lower, in the larger of the two bands above and below.
  const int above = clear.top() - area.top(), below = area.bottom() - clear.bottom();
  const int room = std::max(above, below);
  if (room < minHeight) return start;
  const int lower = std::min(h, room);
  return above >= below ? QRect(start.left(), clear.top() - lower, w, lower)
                        : QRect(start.left(), clear.bottom() + 1, w, lower);
}

QRect FreeScreenArea(const QWidget* w) { return FreeArea(w, w->frameGeometry().center()); }

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
  // window is placed again from the same wanted place, unless it has been placed anew since.
  const int placing = w->property(kPlacing).toInt() + 1;
  w->setProperty(kPlacing, placing);
  QPointer<QWidget> guarded(w);
  for (int ms : {0, 300}) {
    QTimer::singleShot(ms, w, [guarded, wanted, placing] {
      if (guarded && guarded->isVisible() && guarded->property(kPlacing).toInt() == placing) Place(guarded, wanted);
    });
  }
}

void DropPendingPlacements(QWidget* w) {
  if (w) w->setProperty(kPlacing, w->property(kPlacing).toInt() + 1);
}

namespace {

// The frame a window of client size `size` would have on the free area with its frame's top left wanted at
// `at`: moved onto the area as Place moves it (a frame larger than the area at the area's top left).
QRect Landing(const QWidget* w, QPoint at, QSize size) {
  const QRect frame(at, size.grownBy(FrameMargins(w)));
  const QRect area = FreeArea(w, frame.center());
  if (area.isEmpty()) return frame;
  return QRect(QPoint(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())),
                      std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()))),
               frame.size());
}

// The client size of a window moved to `at` to keep clear of another: made smaller where it would reach
// past the free area, down to two thirds of its size (below that it keeps its size, and is moved back).
QSize SizeMovedTo(const QWidget* w, QPoint at) {
  const QMargins m = FrameMargins(w);
  QSize size = w->size();
  const QRect area = FreeArea(w, QRect(at, size).center());
  if (area.isEmpty()) return size;
  const int roomW = area.right() + 1 - at.x() - m.left() - m.right();
  const int roomH = area.bottom() + 1 - at.y() - m.top() - m.bottom();
  if (size.width() > roomW && roomW >= size.width() * 2 / 3) size.setWidth(std::max(w->minimumWidth(), roomW));
  if (size.height() > roomH && roomH >= size.height() * 2 / 3) size.setHeight(std::max(w->minimumHeight(), roomH));
  return size;
}

// The program's other windows on the screen that a window may come to lie on: framed windows, shown.
std::vector<QRect> OtherFrames(const QWidget* w) {
  std::vector<QRect> frames;
  for (QWidget* other : QApplication::topLevelWidgets()) {
    if (other == w || !other->isWindow() || !other->isVisible() || other->isMinimized()) continue;
    const Qt::WindowType type = other->windowType();
    if (other->windowFlags() & Qt::FramelessWindowHint) continue;
    if (type != Qt::Window && type != Qt::Dialog) continue;
    frames.push_back(other->frameGeometry());
  }
  return frames;
}

}  // namespace

QPoint CascadedPlace(QWidget* w, QPoint wanted) {
  if (w->windowFlags() & Qt::FramelessWindowHint) return wanted;
  const std::vector<QRect> others = OtherFrames(w);
  const int step = std::max(kCascadeStep, FrameMargins(w).top() + 4);
  QPoint at = wanted;
  QSize size = w->size();
  bool moved = false;
  // Each window it would lie on sends it one step further; a window wanted where no other one lies stays.
  for (std::size_t round = 0; round <= others.size(); ++round) {
    const QRect lands = Landing(w, at, size);
    const QRect* on = nullptr;
    // On another's place: left edges within a step, and the other's top left (its title bar) under it.
    for (const QRect& o : others)
      if (std::abs(o.left() - lands.left()) < step && o.top() > lands.top() - step && o.top() + step <= lands.bottom())
        on = &o;
    if (!on) break;
    at = on->topLeft() + QPoint(step, step);
    size = SizeMovedTo(w, at);
    moved = true;
  }
  if (!moved) return wanted;
  if (size != w->size()) w->resize(size);
  return at;
}

void ShowAt(QWidget* w, QPoint frameTopLeft, bool activate) {
  // A window the program opens does not come to lie on another one's place.
  if (!w->isVisible()) frameTopLeft = CascadedPlace(w, frameTopLeft);
  w->move(frameTopLeft);
  w->show();
  w->raise();
  if (activate) w->activateWindow();
  KeepOnScreenSoon(w);
}

}  // namespace wl
