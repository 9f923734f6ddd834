#pragma once
// The layout of a container of the control forms: its controls in the table's order, row by row, on a grid
// of equal columns. A control takes as many columns as its caption and field need (a container, or a
// control marked so, takes a whole row), and starts a new row when the rest of the row is too narrow. The
// number of columns grows from the preferred one up to a limit until the controls fit the container's
// height, so that a page shows all its controls without scrolling. A corner at the bottom right can be kept
// free of controls (where another window sits on the container).
#include <QLayout>
#include <QRect>
#include <QSize>
#include <vector>

namespace wl {

class FlowGridLayout : public QLayout {
 public:
  FlowGridLayout(QWidget* parent, int preferredColumns, int maxColumns);
  ~FlowGridLayout() override;
  FlowGridLayout(const FlowGridLayout&) = delete;
  FlowGridLayout& operator=(const FlowGridLayout&) = delete;

  // Adds a widget; a full-row widget takes a row of its own.
  void AddWidget(QWidget* w, bool fullRow);
  // The size of the bottom right corner (of the layout's rectangle) where no control may stand.
  void SetFreeCorner(QSize corner);
  QSize FreeCorner() const { return corner_; }
  // The number of columns preferred and the most allowed.
  void SetColumns(int preferred, int max);
  // The columns of the last arrangement.
  int Columns() const { return columns_; }
  // The height asked for a width: by default the least the container can do with (the most columns), so
  // that a page scrolls only when no arrangement fits; a natural container asks for its preferred columns
  // (with the free corner kept), to be given that height.
  void SetNaturalHeight(bool natural);

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;
  bool hasHeightForWidth() const override;
  int heightForWidth(int width) const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct Entry {
    QLayoutItem* Item;
    bool FullRow;
  };
  struct Placed {
    QRect Rect;
  };
  // Places the entries in `area` on `columns` columns, away from `free` (in the same coordinates; may be
  // null); returns the height used (from area's top).
  int Arrange(const QRect& area, int columns, const QRect& free, std::vector<QRect>* out) const;
  // The free corner in a layout rectangle.
  QRect FreeRect(const QRect& whole) const;
  // The width an entry needs, and its height at a given width.
  int NeededWidth(const Entry& e) const;
  int HeightAt(const Entry& e, int width) const;
  int ColumnsFor(const QRect& area, const QRect& free) const;

  std::vector<Entry> entries_;
  int preferred_, max_;
  int columns_ = 0;
  bool natural_ = false;
  QSize corner_;
};

}  // namespace wl
