#include "gui/trajectory_3d_window.h"
#include "gui/screen_place.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>

#include "analysis/eform_pictures.h"
#include "analysis/lt3_pictures.h"
#include "analysis/trajectory_1d.h"
#include "analysis/trajectory_3d.h"
#include "shell/command.h"
#include "shell/picture_press.h"
#include "shell/up_downs.h"

namespace wl {

namespace {

// The stand-ins of the pictures and of the up-downs (whose arrows are buttons of their own) take no room.
const std::vector<std::string> kLT3Hidden = {"I3D", "PB", "I3Df", "P1", "UpDown1", "UpDown2", "UpDown3", "UpDown4"};
const std::vector<std::string> kEFormHidden = {"I2D", "P1"};

}  // namespace

Trajectory3DPicture::Trajectory3DPicture(Workbench& wb, QWidget* parent) : QWidget(parent), wb_(wb) {
  setObjectName(QStringLiteral("I3D"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Trajectory3DPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  TLT3& w = wb_.LT3;
  LT3Pictures& pics = Pictures(w);
  const QImage& image = w.Pending ? pics.Shown : (w.FullScreen ? pics.FullImage : pics.Image);
  if (!image.isNull()) p.drawImage(0, 0, image);
}

void Trajectory3DPicture::mousePressEvent(QMouseEvent*) {
  RunCommand(wb_, [&] { TR3DCopyPending(wb_); });
  update();
}

Trajectory3DWindow::Trajectory3DWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("LT3"));
  setWindowTitle(QString::fromStdString(wb_.LT3.Caption()));
  picture_ = new Trajectory3DPicture(wb_, this);
  panel_ = new QWidget(this);
  view_ = new FormView(wb_.LT3, panel_, nullptr);
  view_->LayOutTopLevelInRows(panel_, 5, kLT3Hidden);
  arrows_ = new QWidget(this);
  auto* row = new QHBoxLayout(arrows_);
  row->setContentsMargins(0, 0, 0, 0);
  struct Arrow {
    const char* text;
    const char* upDown;
    bool up;
  };
  for (const Arrow a : {Arrow{"Size +", "UpDown3", true}, Arrow{"Size -", "UpDown3", false},
                        Arrow{"X <", "UpDown1", false}, Arrow{"X >", "UpDown1", true}, Arrow{"Y <", "UpDown2", false},
                        Arrow{"Y >", "UpDown2", true}, Arrow{"Z ^", "UpDown4", true}, Arrow{"Z v", "UpDown4", false}}) {
    auto* b = new QPushButton(QString::fromLatin1(a.text), arrows_);
    connect(b, &QPushButton::clicked, this, [this, a] {
      ClickUpDown(wb_, "LT3", a.upDown, a.up);
      picture_->update();
    });
    row->addWidget(b);
  }
  listener_ = wb_.LT3.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

Trajectory3DWindow::~Trajectory3DWindow() { wb_.LT3.RemoveListener(listener_); }

void Trajectory3DWindow::ApplyGeometry() {
  const TLT3& w = wb_.LT3;
  // The model's size is taken when it changes or the window is shown; a window made smaller to keep clear
  // of another one (CascadedPlace) keeps its size until then.
  if (QSize(w.Width, w.Height) != applied_) {
    applied_ = QSize(w.Width, w.Height);
    resize(applied_);
  }
  picture_->setGeometry(1, 2, w.PlotWidth, w.PlotHeight);
  arrows_->setGeometry(w.PanelLeft, w.PanelTop, 520, 28);
  panel_->setGeometry(w.PanelLeft, w.PanelTop + 30, w.PanelWidth, w.PanelHeight - 30);
  view_->HideCells(kLT3Hidden);
}

void Trajectory3DWindow::ShowFromModel() {
  applied_ = QSize();
  ApplyGeometry();
  ShowAt(this, QPoint(wb_.LT3.Left, wb_.LT3.Top));
}

void Trajectory3DWindow::OnNotice(const ControlNotice& n) {
  if (!n.Source) setWindowTitle(QString::fromStdString(wb_.LT3.Caption()));
  view_->HideCells(kLT3Hidden);
  if (isVisible()) {
    ApplyGeometry();
    picture_->update();
  }
}

Trajectory1DPicture::Trajectory1DPicture(Workbench& wb, QWidget* parent) : QWidget(parent), wb_(wb) {
  setObjectName(QStringLiteral("I2D"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Trajectory1DPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QImage& image = Pictures(wb_.EForm).Image;
  if (!image.isNull()) p.drawImage(0, 0, image);
}

void Trajectory1DPicture::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
  PressPicture(wb_, "EForm", {at.x(), at.y(), event->button() == Qt::RightButton, ctrl});
  update();
}

Trajectory1DWindow::Trajectory1DWindow(Workbench& wb) : QWidget(nullptr, Qt::Window), wb_(wb) {
  setObjectName(QStringLiteral("EForm"));
  setWindowTitle(QString::fromStdString(wb_.EForm.Caption()));
  picture_ = new Trajectory1DPicture(wb_, this);
  panel_ = new QWidget(this);
  view_ = new FormView(wb_.EForm, panel_, nullptr);
  view_->LayOutTopLevelInRows(panel_, 4, kEFormHidden);
  // The note on the epoch axis takes a row of its own under the controls, as wide as the panel.
  if (auto* grid = qobject_cast<QGridLayout*>(panel_->layout()))
    if (QWidget* note = view_->CellOf("Label1")) {
      grid->removeWidget(note);
      grid->addWidget(note, 1, 0, 1, 4);
    }
  listener_ = wb_.EForm.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  ApplyGeometry();
}

Trajectory1DWindow::~Trajectory1DWindow() { wb_.EForm.RemoveListener(listener_); }

void Trajectory1DWindow::ApplyGeometry() {
  const TEForm& w = wb_.EForm;
  // The model's size is taken when it changes or the window is shown; a window made smaller to keep clear
  // of another one (CascadedPlace) keeps its size until then.
  if (QSize(w.Width, w.Height) != applied_) {
    applied_ = QSize(w.Width, w.Height);
    resize(applied_);
  }
  picture_->setGeometry(1, 2, w.PlotWidth, w.PlotHeight);
  panel_->setGeometry(1, w.PanelTop, w.PlotWidth, std::max(40, w.Height - w.PanelTop));
  view_->HideCells(kEFormHidden);
}

void Trajectory1DWindow::ShowFromModel() {
  applied_ = QSize();
  ApplyGeometry();
  ShowAt(this, QPoint(wb_.EForm.Left, wb_.EForm.Top));
}

void Trajectory1DWindow::OnNotice(const ControlNotice& n) {
  if (!n.Source) setWindowTitle(QString::fromStdString(wb_.EForm.Caption()));
  view_->HideCells(kEFormHidden);
  if (isVisible()) picture_->update();
}

}  // namespace wl
