#include "gui/flow_grid_layout.h"

#include <QWidget>
#include <algorithm>
#include <climits>

namespace wl {

namespace {

constexpr int kColumnGap = 10;
constexpr int kRowGap = 3;

}  // namespace

FlowGridLayout::FlowGridLayout(QWidget* parent, int preferredColumns, int maxColumns)
    : QLayout(parent), preferred_(std::max(1, preferredColumns)), max_(std::max(preferredColumns, maxColumns)) {
  setContentsMargins(6, 4, 6, 4);
}

FlowGridLayout::~FlowGridLayout() {
  for (Entry& e : entries_) delete e.Item;
}

void FlowGridLayout::AddWidget(QWidget* w, bool fullRow) {
  addChildWidget(w);
  entries_.push_back({new QWidgetItem(w), fullRow});
  invalidate();
}

void FlowGridLayout::SetFreeCorner(QSize corner) {
  if (corner == corner_) return;
  corner_ = corner;
  invalidate();
}

void FlowGridLayout::SetColumns(int preferred, int max) {
  preferred_ = std::max(1, preferred);
  max_ = std::max(preferred_, max);
  invalidate();
}

void FlowGridLayout::SetNaturalHeight(bool natural) {
  natural_ = natural;
  invalidate();
}

QRect FlowGridLayout::FreeRect(const QRect& whole) const {
  if (corner_.width() <= 0 || corner_.height() <= 0) return {};
  return {whole.right() + 1 - corner_.width(), whole.bottom() + 1 - corner_.height(), corner_.width(),
          corner_.height()};
}

void FlowGridLayout::addItem(QLayoutItem* item) {
  entries_.push_back({item, false});
  invalidate();
}

QLayoutItem* FlowGridLayout::itemAt(int index) const {
  return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)].Item : nullptr;
}

QLayoutItem* FlowGridLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = entries_[static_cast<std::size_t>(index)].Item;
  entries_.erase(entries_.begin() + index);
  invalidate();
  return item;
}

int FlowGridLayout::count() const { return static_cast<int>(entries_.size()); }

Qt::Orientations FlowGridLayout::expandingDirections() const { return Qt::Horizontal | Qt::Vertical; }

bool FlowGridLayout::hasHeightForWidth() const { return true; }

int FlowGridLayout::NeededWidth(const Entry& e) const { return e.Item->minimumSize().width(); }

int FlowGridLayout::HeightAt(const Entry& e, int width) const {
  if (e.Item->hasHeightForWidth()) return e.Item->heightForWidth(width);
  return e.Item->minimumSize().height();
}

int FlowGridLayout::Arrange(const QRect& area, int columns, const QRect& free, std::vector<QRect>* out) const {
  if (out) out->assign(entries_.size(), QRect());
  const int colW = std::max(1, (area.width() - (columns - 1) * kColumnGap) / columns);
  int y = area.top(), column = 0, rowHeight = 0;
  auto newRow = [&] {
    if (column > 0 || rowHeight > 0) y += rowHeight + kRowGap;
    column = 0;
    rowHeight = 0;
  };
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (e.Item->isEmpty()) continue;
    const int need = NeededWidth(e);
    const int span =
        e.FullRow ? columns : std::clamp((need + kColumnGap + colW + kColumnGap - 1) / (colW + kColumnGap), 1, columns);
    if (column + span > columns) newRow();
    QRect r;
    for (;;) {
      const int x = area.left() + column * (colW + kColumnGap);
      int w = e.FullRow ? area.width() : span * colW + (span - 1) * kColumnGap;
      r = QRect(x, y, w, HeightAt(e, w));
      if (free.isNull() || !r.intersects(free)) break;
      // A control under the free corner: narrowed to the corner's left when it needs no more, else moved to
      // the next row; one that cannot be helped stays where it is.
      const int room = free.left() - kColumnGap - x;
      if (room >= need) {
        w = room;
        r = QRect(x, y, w, HeightAt(e, w));
        if (!r.intersects(free)) break;
      }
      if (column == 0) break;
      newRow();
    }
    if (out) (*out)[i] = r;
    column += span;
    rowHeight = std::max(rowHeight, r.height());
    if (e.FullRow) newRow();
  }
  if (column > 0 || rowHeight > 0) y += rowHeight;
  return y - area.top();
}

int FlowGridLayout::ColumnsFor(const QRect& area, const QRect& free) const {
  int best = preferred_, bestHeight = INT_MAX;
  for (int c = preferred_; c <= max_; ++c) {
    const int h = Arrange(area, c, free, nullptr);
    if (h <= area.height()) return c;
    if (h < bestHeight) {
      best = c;
      bestHeight = h;
    }
  }
  return best;
}

int FlowGridLayout::heightForWidth(int width) const {
  const QMargins m = contentsMargins();
  const int inner = width - m.left() - m.right();
  if (!natural_) {
    const QRect area(0, 0, inner, INT_MAX / 4);
    int best = INT_MAX;
    for (int c = preferred_; c <= max_; ++c) best = std::min(best, Arrange(area, c, QRect(), nullptr));
    return best + m.top() + m.bottom();
  }
  // The free corner sits at the bottom, which the height decides: grown until the controls stay clear of it.
  int h = Arrange(QRect(0, 0, inner, INT_MAX / 4), preferred_, QRect(), nullptr);
  for (int i = 0; i < 4; ++i) {
    const QRect whole(-m.left(), -m.top(), width, h + m.top() + m.bottom());
    const int next = Arrange(QRect(0, 0, inner, h), preferred_, FreeRect(whole), nullptr);
    if (next <= h) break;
    h = next;
  }
  return h + m.top() + m.bottom();
}

QSize FlowGridLayout::minimumSize() const {
  // As narrow as the widest control; the height follows the width (heightForWidth).
  int w = 0;
  for (const Entry& e : entries_)
    if (!e.Item->isEmpty()) w = std::max(w, NeededWidth(e));
  const QMargins m = contentsMargins();
  return {w + m.left() + m.right(), m.top() + m.bottom()};
}

QSize FlowGridLayout::sizeHint() const {
  const QMargins m = contentsMargins();
  int w = 0;
  for (const Entry& e : entries_)
    if (!e.Item->isEmpty() && !e.FullRow) w = std::max(w, NeededWidth(e));
  w = w * preferred_ + (preferred_ - 1) * kColumnGap + m.left() + m.right();
  return {w, heightForWidth(w)};
}

void FlowGridLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QMargins m = contentsMargins();
  const QRect area = rect.adjusted(m.left(), m.top(), -m.right(), -m.bottom());
  const QRect free = FreeRect(rect);
  columns_ = ColumnsFor(area, free);
  std::vector<QRect> placed;
  Arrange(area, columns_, free, &placed);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (!entries_[i].Item->isEmpty()) entries_[i].Item->setGeometry(placed[i]);
}

}  // namespace wl
