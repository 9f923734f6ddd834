#include "gui/trajectory_2d_window.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "analysis/lt2_pictures.h"
#include "analysis/trajectory_2d.h"
#include "shell/command.h"

namespace wl {

Trajectory2DPicture::Trajectory2DPicture(Workbench& wb, QWidget* parent) : QWidget(parent), wb_(wb) {
  setObjectName(QStringLiteral("I2D"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Trajectory2DPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  TLT2& w = wb_.LT2;
  LT2Pictures& pics = Pictures(w);
  const QImage& image = w.Pending ? pics.Shown : (w.FullScreen ? pics.FullImage : pics.Image);
  if (!image.isNull()) p.drawImage(0, 0, image);
}

void Trajectory2DPicture::mousePressEvent(QMouseEvent*) {
  RunCommand(wb_, [&] { TR2DCopyPending(wb_); });
  update();
}

Trajectory2DWindow::Trajectory2DWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("LT2"));
  setWindowTitle(QString::fromStdString(wb_.LT2.Caption()));
  picture_ = new Trajectory2DPicture(wb_, this);
  panel_ = new QWidget(this);
  view_ = new FormView(wb_.LT2, panel_, nullptr);
  view_->LayOutTopLevel(panel_);
  arrows_ = new QWidget(this);
  auto* row = new QHBoxLayout(arrows_);
  row->setContentsMargins(0, 0, 0, 0);
  struct Arrow {
    const char* text;
    int upDown;
    bool up;
  };
  for (const Arrow a : {Arrow{"Size +", 3, true}, Arrow{"Size -", 3, false}, Arrow{"<", 1, false},
                        Arrow{">", 1, true}, Arrow{"^", 2, true}, Arrow{"v", 2, false}}) {
    auto* b = new QPushButton(QString::fromLatin1(a.text), arrows_);
    connect(b, &QPushButton::clicked, this, [this, a] {
      RunCommand(wb_, [&] { TR2DUpDownClick(wb_, a.upDown, a.up); });
      picture_->update();
    });
    row->addWidget(b);
  }
  listener_ = wb_.LT2.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

Trajectory2DWindow::~Trajectory2DWindow() { wb_.LT2.RemoveListener(listener_); }

void Trajectory2DWindow::ApplyGeometry() {
  const TLT2& w = wb_.LT2;
  resize(w.Width, w.Height);
  picture_->setGeometry(1, 2, w.PlotWidth, w.PlotHeight);
  arrows_->setGeometry(w.PanelLeft, w.PanelTop, 400, 28);
  panel_->setGeometry(w.PanelLeft, w.PanelTop + 30, w.PanelWidth, w.PanelHeight - 30);
  for (const char* name : {"I2D", "PB", "I2Df"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
}

void Trajectory2DWindow::ShowFromModel() {
  ApplyGeometry();
  move(wb_.LT2.Left, wb_.LT2.Top);
  show();
  raise();
  activateWindow();
}

void Trajectory2DWindow::OnNotice(const ControlNotice& n) {
  if (!n.Source) setWindowTitle(QString::fromStdString(wb_.LT2.Caption()));
  for (const char* name : {"I2D", "PB", "I2Df"})
    if (QWidget* cell = view_->CellOf(name)) cell->hide();
  if (isVisible()) {
    ApplyGeometry();
    picture_->update();
  }
}

}  // namespace wl
