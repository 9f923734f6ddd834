#include "gui/trajectory_2d_window.h"
#include "gui/screen_place.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "analysis/lt2_pictures.h"
#include "analysis/trajectory_2d.h"
#include "shell/command.h"

namespace wl {

namespace {

// The stand-ins of the pictures and of the up-downs (whose arrows are buttons of their own) take no room.
const std::vector<std::string> kLT2Hidden = {"I2D", "PB", "I2Df", "P1", "UpDown1", "UpDown2", "UpDown3"};
constexpr int kArrowsHeight = 30;

}  // namespace

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
  view_->LayOutTopLevelInRows(panel_, 5, kLT2Hidden);
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
  // The panel keeps the height the window's layout gives it unless its controls need more in this font;
  // the window grows by what they need.
  const int panelHeight = std::max(w.PanelHeight - kArrowsHeight, panel_->sizeHint().height());
  const int width = std::max(w.Width, std::max(w.PanelLeft + panel_->sizeHint().width(), arrows_->sizeHint().width()) + 2);
  // The model's size is taken when it changes or the window is shown; a window made smaller to keep clear
  // of another one (CascadedPlace) keeps its size until then.
  const QSize size(width, std::max(w.Height, w.PanelTop + kArrowsHeight + panelHeight + 2));
  if (size != applied_) {
    resize(size);
    applied_ = size;
  }
  picture_->setGeometry(1, 2, w.PlotWidth, w.PlotHeight);
  arrows_->setGeometry(w.PanelLeft, w.PanelTop, std::max(400, arrows_->sizeHint().width()), kArrowsHeight - 2);
  panel_->setGeometry(w.PanelLeft, w.PanelTop + kArrowsHeight, std::max(w.PanelWidth, panel_->sizeHint().width()), panelHeight);
  view_->HideCells(kLT2Hidden);
}

void Trajectory2DWindow::ShowFromModel() {
  applied_ = QSize();
  ApplyGeometry();
  ShowAt(this, QPoint(wb_.LT2.Left, wb_.LT2.Top));
}

void Trajectory2DWindow::OnNotice(const ControlNotice& n) {
  if (!n.Source) setWindowTitle(QString::fromStdString(wb_.LT2.Caption()));
  view_->HideCells(kLT2Hidden);
  if (isVisible()) {
    ApplyGeometry();
    picture_->update();
  }
}

}  // namespace wl
