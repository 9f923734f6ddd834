#include "gui/small_windows.h"
#include "gui/screen_place.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "shell/command.h"
#include "shell/on_top.h"

namespace wl {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The stay-on-top window's single-line border.
constexpr int kBorder = 1;

// The selector: its list is made anew from the windows there are when it opens.
class SelectorBox : public QComboBox {
 public:
  SelectorBox(QWidget* parent, std::function<void()> beforePopup)
      : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
  void showPopup() override {
    if (beforePopup_) beforePopup_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> beforePopup_;
};

}  // namespace

// ---- the stay-on-top window

OnTopWindow::OnTopWindow(Workbench& wb)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint), wb_(wb) {
  setObjectName(QStringLiteral("OnTopForm"));
  setBackgroundRole(QPalette::Button);  // the menu colour
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  layout->setSpacing(0);
  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("OnTopCaption"));
  caption_->setAutoFillBackground(true);
  caption_->setBackgroundRole(QPalette::Highlight);
  caption_->setForegroundRole(QPalette::HighlightedText);
  caption_->setContentsMargins(3, 1, 3, 1);
  caption_->setCursor(Qt::SizeAllCursor);
  caption_->installEventFilter(this);
  layout->addWidget(caption_);
  box_ = new SelectorBox(this, [this] { Sync(); });
  box_->setObjectName(QStringLiteral("FormTopBox"));
  layout->addWidget(box_);
  // As wide as the longest entry needs, whichever entries the list offers.
  for (const auto& item : wb_.OnTopForm.FormTopBox.Items()) box_->addItem(Q(item));
  selectorWidth_ = box_->minimumSizeHint().width();
  box_->clear();
  // A choice, also of the entry shown already, brings its window forward; each row holds its entry.
  connect(box_, &QComboBox::activated, this, [this](int row) {
    const int entry = box_->itemData(row).toInt();
    RunCommand(wb_, [this, entry] { ChooseTopForm(wb_, entry); });
    Sync();
  });
  listener_ = wb_.OnTopForm.AddListener([this](const ControlNotice& n) { OnNotice(n); });
  Sync();
}

OnTopWindow::~OnTopWindow() { wb_.OnTopForm.RemoveListener(listener_); }

void OnTopWindow::FitWidth() {
  // The caption strip and the selector under it; as wide as the trace and the longest entry need, within
  // the window's limits, so that the trace shows whole.
  const int text = caption_->fontMetrics().horizontalAdvance(caption_->text()) + 6 + 2 * kBorder + 2;
  const int width = std::clamp(std::max(text, std::max(selectorWidth_, box_->minimumSizeHint().width()) + 2 * kBorder),
                               TOnTopForm::ClientWidth,
                               TOnTopForm::MaxWidth);
  const int height = caption_->sizeHint().height() + std::max(TOnTopForm::ClientHeight, box_->sizeHint().height()) + 2 * kBorder;
  setFixedSize(width, height);
}

void OnTopWindow::closeEvent(QCloseEvent* event) {
  // Without border icons there is nothing to close it by; a request of the window system (a key) leaves it.
  event->ignore();
}

void OnTopWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool OnTopWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == caption_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() != Qt::LeftButton) break;
        dragging_ = true;
        dragFrom_ = m->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
      }
      case QEvent::MouseMove:
        if (dragging_) {
          DropPendingPlacements(this);
          move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragFrom_);
          return true;
        }
        break;
      case QEvent::MouseButtonRelease:
        dragging_ = false;
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void OnTopWindow::Sync() {
  const TOnTopForm& f = wb_.OnTopForm;
  setWindowTitle(Q(f.Caption()));
  caption_->setText(Q(f.Caption()));
  FitWidth();
  QSignalBlocker block(box_);
  // The list offers the windows there are to bring forward (and the entry shown, whatever it is).
  const auto& items = f.FormTopBox.Items();
  const int current = f.FormTopBox.ItemIndex();
  std::vector<int> offered;
  for (int i = 0; i < static_cast<int>(items.size()); ++i)
    if (i == current || TopFormOffered(wb_, i)) offered.push_back(i);
  bool same = box_->count() == static_cast<int>(offered.size());
  for (int r = 0; same && r < box_->count(); ++r) same = box_->itemData(r).toInt() == offered[static_cast<std::size_t>(r)];
  if (!same) {
    box_->clear();
    for (const int i : offered) box_->addItem(Q(items[static_cast<std::size_t>(i)]), i);
  }
  box_->setCurrentIndex(box_->findData(current));
}

void OnTopWindow::OnNotice(const ControlNotice& n) {
  if (n.Event == ControlEvent::Repaint || n.Event == ControlEvent::FocusRequest) return;
  Sync();
}

void OnTopWindow::ShowFromModel() {
  ShowAt(this, QPoint(wb_.OnTopForm.Left, wb_.OnTopForm.Top), false);
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
  ShowAt(this, QPoint(wb_.Form4.Left, wb_.Form4.Top), false);
  repaint();
}

// ---- a window whose contents come later

PlaceholderWindow::PlaceholderWindow(const QString& name, const QString& caption, int width, int height) {
  setObjectName(name);
  setWindowTitle(caption);
  resize(width, height);
}

}  // namespace wl
