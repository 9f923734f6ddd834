#include "gui/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "shell/startup.h"

namespace wl {

namespace {

// The window and its parts at the standard font resolution.
constexpr int kWidth = 1024, kHeight = 768;
constexpr int kPagesWidth = 786, kPagesHeight = 470, kBottomHeight = 218;

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
  auto* pages = new QVBoxLayout;
  auto* side = new QVBoxLayout;
  auto* bottom = new QHBoxLayout;
  auto* groups = new QVBoxLayout;
  // Controls that stand on the window itself, outside any container, share the bottom row with the
  // group boxes, where there is room for them.
  auto* loose = new QWidget;
  loose->setObjectName(QStringLiteral("Form1_loose"));
  auto* looseGrid = new QGridLayout(loose);
  looseGrid->setContentsMargins(6, 6, 6, 6);
  looseGrid->setHorizontalSpacing(12);
  looseGrid->setVerticalSpacing(4);
  constexpr int kLooseColumns = 2;
  int looseCount = 0;
  bool hasSide = false, hasGroups = false;
  for (const FormView::Item& item : view_->TopLevel()) {
    switch (item.Source->Kind()) {
      case ControlKind::PageControl:
        pages->addWidget(item.Widget, 1);
        break;
      case ControlKind::Panel:
        side->addWidget(item.Widget, 1);
        hasSide = true;
        break;
      case ControlKind::GroupBox:
      case ControlKind::TabSheet:
        groups->addWidget(item.Widget, 1);
        hasGroups = true;
        break;
      default:
        looseGrid->addWidget(item.Widget, looseCount / kLooseColumns, looseCount % kLooseColumns, Qt::AlignTop);
        ++looseCount;
        break;
    }
  }
  if (hasGroups) bottom->addLayout(groups, 13);
  if (looseCount > 0) {
    looseGrid->setRowStretch((looseCount + kLooseColumns - 1) / kLooseColumns, 1);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("Form1_looseArea"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(loose);
    bottom->addWidget(scroll, 7);
  } else {
    delete loose;
  }
  const bool hasBottom = hasGroups || looseCount > 0;
  grid->addLayout(pages, 0, 0, 1, hasSide ? 1 : 2);
  if (hasSide) grid->addLayout(side, 0, 1);
  if (hasBottom) grid->addLayout(bottom, 1, 0, 1, 2);
  grid->setColumnStretch(0, kPagesWidth);
  grid->setColumnStretch(1, kWidth - kPagesWidth);
  grid->setRowStretch(0, kPagesHeight);
  grid->setRowStretch(1, hasBottom ? kBottomHeight : 0);
  setCentralWidget(central);
}

void MainWindow::ApplyStartLayout() {
  const WindowRect& r = wb_.MainFormRect;
  resize(r.Width, r.Height);
  move(r.Left, r.Top);
}

void MainWindow::Exit() {
  if (exited_) return;
  exited_ = true;
  ExitProgram(wb_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A running command ends first; the user closes the window afterwards.
  if (wb_.CommandRunning) {
    event->ignore();
    return;
  }
  Exit();
  event->accept();
  // The editor and help windows go with the main window.
  QCoreApplication::quit();
}

}  // namespace wl
