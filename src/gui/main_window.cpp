#include "gui/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QResizeEvent>
#include <QShowEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/flow_grid_layout.h"
#include "gui/screen_place.h"
#include "platform/rounding.h"
#include "shell/on_top.h"
#include "shell/startup.h"

namespace wl {

namespace {

// The window at the standard font resolution, and the column beside the pages (the panel and the
// controls on the window itself): wider than the old dialog's 238, for a wider font.
constexpr int kWidth = 1024, kHeight = 768;
constexpr int kSideWidth = 300;
// The main window's font at the standard resolution, in pixels.
constexpr int kFontPixels = 13;
// Room left between the controls and the stay-on-top window.
constexpr int kCornerGap = 4;

}  // namespace

MainWindow::MainWindow(Workbench& wb) : wb_(wb) {
  setObjectName(QStringLiteral("Form1"));
  view_ = new FormView(wb_.Form1, this, menuBar());
  LayOut();
  resize(kWidth, kHeight);
  // At the top right of the screen.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(std::max(area.left(), area.right() + 1 - kWidth), area.top());
  }
}

void MainWindow::LayOut() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Form1_contents"));
  auto* grid = new QGridLayout(central);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setSpacing(4);
  // A column or row scrolls only when the user makes the window smaller than its start size.
  auto scrolling = [](const QString& name, QWidget* inner) {
    auto* area = new QScrollArea;
    area->setObjectName(name);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(inner);
    return area;
  };
  auto* sideInner = new QWidget;
  sideInner->setObjectName(QStringLiteral("Form1_side_contents"));
  auto* side = new QVBoxLayout(sideInner);
  side->setContentsMargins(0, 0, 0, 0);
  auto* bottom = new QVBoxLayout;
  bottom->setContentsMargins(0, 0, 0, 0);
  // Controls that stand on the window itself, outside any container, go beside the pages below the panel.
  auto* loose = new QWidget;
  loose->setObjectName(QStringLiteral("Form1_loose"));
  auto* looseLayout = new FlowGridLayout(loose, 2, 2);
  QWidget* pages = nullptr;
  bool hasLoose = false, hasBottom = false;
  for (const FormView::Item& item : view_->TopLevel()) {
    switch (item.Source->Kind()) {
      case ControlKind::PageControl:
        pages = item.Widget;
        break;
      case ControlKind::Panel:
        side->addWidget(item.Widget);
        break;
      case ControlKind::GroupBox:
      case ControlKind::TabSheet:
        // As high as its controls need at its preferred columns; the pages take the rest.
        bottom->addWidget(item.Widget);
        if (FlowGridLayout* layout = view_->LayoutOf(item.Source->Name())) layout->SetNaturalHeight(true);
        bottomGroups_.push_back(item.Source->Name());
        item.Widget->installEventFilter(this);
        hasBottom = true;
        break;
      default:
        looseLayout->AddWidget(item.Widget, false);
        hasLoose = true;
        break;
    }
  }
  side->addWidget(loose);
  loose->setVisible(hasLoose);
  side->addStretch(1);
  if (pages) grid->addWidget(pages, 0, 0);
  grid->addWidget(scrolling(QStringLiteral("Form1_side"), sideInner), 0, 1);
  if (hasBottom) grid->addLayout(bottom, 1, 0, 1, 2);
  grid->setColumnStretch(0, kWidth - kSideWidth);
  grid->setColumnStretch(1, kSideWidth);
  grid->setRowStretch(0, 1);
  grid->setRowStretch(1, 0);
  setCentralWidget(central);
}

void MainWindow::SetStayOnTop(QWidget* onTop) {
  onTop_ = onTop;
  if (onTop) onTop->installEventFilter(this);
  KeepOnTopCornerFree();
}

QPoint MainWindow::OnTopCorner(int fontPct) const {
  // Its left and top measured from this window's frame, whose height is the client height plus the title
  // bar.
  const int title = geometry().top() - frameGeometry().top();
  return {width() - RoundInt(fontPct * 260.0 / 150.0) - kCornerGap,
          height() - RoundInt(fontPct * 110.0 / 150.0) - title - kCornerGap};
}

bool MainWindow::OnTopInCorner(int fontPct) const {
  if (!onTop_ || !onTop_->isVisible() || fontPct <= 0) return false;
  const QRect on(mapFromGlobal(onTop_->frameGeometry().topLeft()), onTop_->frameGeometry().size());
  // The place it is given, and up to its own size further left or higher.
  const QPoint corner = OnTopCorner(fontPct);
  return on.intersects(rect()) && on.left() >= corner.x() - on.width() && on.top() >= corner.y() - on.height();
}

void MainWindow::PlaceOnTopInCorner() {
  if (!onTop_ || !onTop_->isVisible()) return;
  // The place the window is given when it shows, in this window's corner as it stands now: from the
  // frame's right edge and top, and the client's height.
  const int right = frameGeometry().right() + 1;
  const WindowPlace p = OnTopFormPlace({right - width(), y(), width(), height()}, wb_.FontPct);
  wb_.OnTopForm.Left = p.Left;
  wb_.OnTopForm.Top = p.Top;
  if (onTop_->pos() != QPoint(p.Left, p.Top)) onTop_->move(p.Left, p.Top);
  KeepOnScreen(onTop_);
}

void MainWindow::KeepOnTopCornerFree() {
  if (wb_.FontPct <= 0) return;
  // The corner where the stay-on-top window is given its place (its frame's top left inside this window's
  // client area). It stays free wherever the window stands now, so that the arrangement of the controls
  // never depends on where the user put it.
  const QPoint place = OnTopCorner(wb_.FontPct);
  for (const std::string& name : bottomGroups_) {
    QWidget* group = view_->WidgetOf(name);
    FlowGridLayout* layout = view_->LayoutOf(name);
    if (!group || !layout) continue;
    const QPoint p = group->mapFrom(this, place);
    const QRect area = group->contentsRect();
    layout->SetFreeCorner(QSize(std::max(0, area.right() + 1 - p.x()), std::max(0, area.bottom() + 1 - p.y())));
  }
}

QPoint MainWindow::OnTopAnchor() const {
  // What the stay-on-top window's place is measured from: the frame's right edge, and the frame's top plus
  // the client's height.
  return {frameGeometry().right() + 1, y() + height()};
}

void MainWindow::TakeOnTopAlong() {
  const QPoint anchor = OnTopAnchor();
  const QPoint before = lastAnchor_;
  const QRect beforeFrame = lastFrame_;
  const bool known = placeKnown_;
  const bool resized = size() != lastSize_;
  lastAnchor_ = anchor;
  lastSize_ = size();
  lastFrame_ = frameGeometry();
  placeKnown_ = true;
  if (layingOut_ || !known || anchor == before || !isVisible() || !onTop_ || !onTop_->isVisible()) return;
  if (resized) {
    // Larger or smaller: it goes with the corner when it stood there (up to its own size left of or above
    // the place it is given), else it stays where the user put it.
    const QRect on = onTop_->frameGeometry();
    const QPoint corner = before - QPoint(RoundInt(wb_.FontPct * 260.0 / 150.0) + kCornerGap,
                                          RoundInt(wb_.FontPct * 110.0 / 150.0) + kCornerGap);
    if (!on.intersects(beforeFrame) || on.left() < corner.x() - on.width() || on.top() < corner.y() - on.height()) return;
  }
  // A placement of the program still due would put it back where it stood.
  DropPendingPlacements(onTop_);
  onTop_->move(onTop_->pos() + (anchor - before));
  wb_.OnTopForm.Left = onTop_->x();
  wb_.OnTopForm.Top = onTop_->y();
}

void MainWindow::PlaceOnTopAtStart() {
  // Shown where the start put this window, which the window system may have moved a little to frame it: the
  // stay-on-top window in the corner of the window as it stands.
  PlaceOnTopInCorner();
  lastAnchor_ = OnTopAnchor();
  lastSize_ = size();
  lastFrame_ = frameGeometry();
  placeKnown_ = true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (t == QEvent::Resize || t == QEvent::Move || (watched == onTop_ && (t == QEvent::Show || t == QEvent::Hide)))
    KeepOnTopCornerFree();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  KeepOnTopCornerFree();
  TakeOnTopAlong();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  KeepOnTopCornerFree();
  TakeOnTopAlong();
}

void MainWindow::ApplyStartLayout() {
  laidOutPct_ = wb_.FontPct;
  ApplyScaledFont();
  const WindowRect& r = wb_.MainFormRect;
  resize(r.Width, r.Height);
  move(r.Left, r.Top);
}

void MainWindow::ApplyScaledFont() {
  // The layout was drawn for a dialog font of 13 pixels at 120 pixels per inch: the font scales with the
  // window, so that the controls keep their proportions at every resolution.
  if (wb_.FontScale > 0) {
    QFont f = font();
    f.setPixelSize(std::max(8, RoundInt(kFontPixels * wb_.FontScale)));
    setFont(f);
    FormView::KeepParentFonts(this);
  }
}

void MainWindow::ApplyFontLayout() {
  // Whether the stay-on-top window stands in this window's corner, where the program put it at the last
  // percentage, before the window changes: it then goes with the corner.
  const bool onTopFollows = OnTopInCorner(laidOutPct_);
  laidOutPct_ = wb_.FontPct;
  // The stay-on-top window is placed here, or left where it stands; the moves of the layout take it nowhere.
  FlagGuard<bool> laying(layingOut_, true);
  struct PlaceKept {
    MainWindow* W;
    ~PlaceKept() {
      W->lastAnchor_ = W->OnTopAnchor();
      W->lastSize_ = W->size();
      W->lastFrame_ = W->frameGeometry();
    }
  } kept{this};
  // Only a window shown gets its resize events at once, so that its layout follows each step.
  if (!isVisible()) {
    ApplyStartLayout();
    return;
  }
  ApplyScaledFont();
  // The size the font window gives is too narrow for the pages at any scale: the window takes the size the
  // start gives at the new scale (the larger of the two), so that a scale always looks the same, whatever
  // scales came before.
  const WindowRect& r = wb_.MainFormRect;
  const MainFormLayout start = LayOutMainForm(wb_.FontScale, wb_.ScreenWidth);
  const QSize wanted(std::max(r.Width, start.Form.Width), std::max(r.Height, start.Form.Height));
  const QRect area = FreeScreenArea(this);
  const QMargins frame = FrameMargins(this);
  const int maxWidth = area.isEmpty() ? wanted.width() : std::max(r.Width, area.width() - frame.left() - frame.right());
  const int maxHeight = area.isEmpty() ? wanted.height() : std::max(r.Height, area.height() - frame.top() - frame.bottom());
  // Each size with the right edge where the layout puts it (the screen's right edge), and the stay-on-top
  // window at its place in the corner.
  auto fit = [&](QSize size) {
    resize(size);
    move(r.Left + r.Width - width(), r.Top);
    if (onTopFollows) PlaceOnTopInCorner();
  };
  fit(QSize(std::min(wanted.width(), maxWidth), std::min(wanted.height(), maxHeight)));
  // Then larger where something would still scroll: wider first (the pages take more columns and so need
  // less height), then higher.
  for (int step = 0; step < 200; ++step) {
    const QSize need = Shortfall();
    if (need.width() <= 0 && need.height() <= 0) break;
    QSize next = size();
    if (need.width() > 0 || (need.height() > 0 && width() < maxWidth)) {
      next.setWidth(std::min(maxWidth, width() + std::max(need.width(), std::max(8, width() / 50))));
    } else {
      next.setHeight(std::min(maxHeight, height() + need.height()));
    }
    if (next == size()) break;
    fit(next);
  }
  KeepOnScreenSoon(this);
  if (onTopFollows) {
    PlaceOnTopInCorner();
    // Kept there also once the window system has framed it, in place of where it was shown.
    KeepOnScreenSoon(onTop_);
  }
}

QSize MainWindow::Shortfall() {
  if (QLayout* l = centralWidget() ? centralWidget()->layout() : nullptr) l->activate();
  int w = 0, h = 0;
  for (QScrollArea* area : findChildren<QScrollArea*>()) {
    QWidget* inner = area->widget();
    if (!inner || !inner->layout()) continue;
    // Pages not shown have the size of the one shown.
    const QSize have = area->isVisibleTo(this) || !area->parentWidget() ? area->size() : area->parentWidget()->size();
    if (have.isEmpty()) continue;
    const QSize min = inner->minimumSizeHint();
    w = std::max(w, min.width() - have.width());
    const int needH = inner->hasHeightForWidth() ? inner->heightForWidth(std::max(have.width(), min.width()))
                                                 : min.height();
    h = std::max(h, needH - have.height());
  }
  // The page tabs all in sight, without scroll arrows.
  for (QTabWidget* pages : findChildren<QTabWidget*>()) {
    QTabBar* bar = pages->tabBar();
    if (!pages->isVisibleTo(this) || !bar || bar->count() == 0) continue;
    const int last = bar->count() - 1;
    const int tabs = bar->tabRect(last).right() + 1 - bar->tabRect(0).left();
    w = std::max(w, tabs - bar->width());
  }
  return {std::max(0, w), std::max(0, h)};
}

void MainWindow::Exit() { ExitProgram(wb_); }

void MainWindow::showEvent(QShowEvent* event) {
  closed_ = false;
  QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A running command ends first: the request is held and answered once the command has ended (the
  // event pump holds the requests that come during a run; this one came past it).
  if (wb_.CommandRunning) {
    event->ignore();
    if (platform_) {
      platform_->HoldClose(this);
    } else {
      QTimer::singleShot(200, this, [this] { close(); });
    }
    return;
  }
  // An editor whose changes the user does not want to leave keeps the program open.
  if (platform_ && !platform_->CloseEditors()) {
    event->ignore();
    return;
  }
  Exit();
  closed_ = true;
  event->accept();
  // The program ends with its main window. The loop is left directly: a quit request would first ask
  // every other window to close, and the windows that refuse (the stay-on-top window has no close) would
  // keep the program running without its main window.
  QCoreApplication::exit(0);
}

}  // namespace wl
