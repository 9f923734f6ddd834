#include "gui/small_windows.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "shell/command.h"
#include "shell/on_top.h"

namespace wl {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- the stay-on-top window

OnTopWindow::OnTopWindow(Workbench& wb)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      wb_(wb) {
  setObjectName(QStringLiteral("OnTopForm"));
  setBackgroundRole(QPalette::Button);  // the menu colour
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  box_ = new QComboBox(this);
  box_->setObjectName(QStringLiteral("FormTopBox"));
  layout->addWidget(box_);
  // A choice, also of the entry shown already, brings its window forward.
  connect(box_, &QComboBox::activated, this, [this](int index) {
    RunCommand(wb_, [this, index] { ChooseTopForm(wb_, index); });
    Sync();
  });
  setMaximumSize(TOnTopForm::MaxWidth, TOnTopForm::MaxHeight);
  resize(TOnTopForm::ClientWidth, std::max(TOnTopForm::ClientHeight, box_->sizeHint().height()));
  listener_ = wb_.OnTopForm.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  Sync();
}

OnTopWindow::~OnTopWindow() { wb_.OnTopForm.RemoveListener(listener_); }

void OnTopWindow::Sync() {
  const TOnTopForm& f = wb_.OnTopForm;
  setWindowTitle(Q(f.Caption()));
  QSignalBlocker block(box_);
  const auto& items = f.FormTopBox.Items();
  if (box_->count() != static_cast<int>(items.size())) {
    box_->clear();
    for (const auto& item : items) box_->addItem(Q(item));
  }
  box_->setCurrentIndex(f.FormTopBox.ItemIndex());
}

void OnTopWindow::OnNotice(const ControlNotice& n) {
  if (n.Event == ControlEvent::Repaint || n.Event == ControlEvent::FocusRequest) return;
  Sync();
}

void OnTopWindow::ShowFromModel() {
  move(wb_.OnTopForm.Left, wb_.OnTopForm.Top);
  show();
  raise();
}

// ---- the drawing pop-up

DrawingPopup::DrawingPopup(Workbench& wb)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), wb_(wb) {
  setObjectName(QStringLiteral("Form4"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 4, 8, 4);
  drawing_ = new QLabel(this);
  drawing_->setObjectName(QStringLiteral("Label2"));
  percent_ = new QLabel(this);
  percent_->setObjectName(QStringLiteral("Label1"));
  row->addWidget(drawing_);
  row->addStretch(1);
  row->addWidget(percent_);
  setFixedSize(TForm4::ClientWidth, TForm4::ClientHeight);
  listener_ = wb_.Form4.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  drawing_->setText(Q(wb_.Form4.Label2.Caption()));
  percent_->setText(Q(wb_.Form4.Label1.Caption()));
}

DrawingPopup::~DrawingPopup() { wb_.Form4.RemoveListener(listener_); }

void DrawingPopup::OnNotice(const ControlNotice& n) {
  if (n.Source == &wb_.Form4.Label1) {
    percent_->setText(Q(wb_.Form4.Label1.Caption()));
    if (n.Event == ControlEvent::Repaint && isVisible()) percent_->repaint();
  } else if (n.Source == &wb_.Form4.Label2) {
    drawing_->setText(Q(wb_.Form4.Label2.Caption()));
  }
}

void DrawingPopup::ShowFromModel() {
  move(wb_.Form4.Left, wb_.Form4.Top);
  show();
  raise();
  repaint();
}

// ---- a window whose contents come later

PlaceholderWindow::PlaceholderWindow(const QString& name, const QString& caption, int width, int height) {
  setObjectName(name);
  setWindowTitle(caption);
  resize(width, height);
}

}  // namespace wl
