#include "gui/form_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QResizeEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "gui/flow_grid_layout.h"
#include "platform/platform.h"

namespace wl {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A masked field shows its text without the blanks that pad it to the mask width, so that the user can
// type at its end; the model keeps the padded text.
QString DisplayText(const Edit& e) {
  QString t = Q(e.Text());
  if (e.MaskWidth() > 0) {
    while (!t.isEmpty() && t.back() == QLatin1Char(' ')) t.chop(1);
  }
  return t;
}

QString TrimmedRight(QString t) {
  while (!t.isEmpty() && t.back() == QLatin1Char(' ')) t.chop(1);
  return t;
}

// An edit field as wide as the digits it is meant for, in the font it has now (a masked field exactly so
// wide; the others at least so wide).
class FieldEdit : public QLineEdit {
 public:
  FieldEdit(QWidget* parent, int digits, bool fixed) : QLineEdit(parent), digits_(digits) {
    if (fixed) setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  QSize minimumSizeHint() const override {
    // The text area is the field less its frame and the field's own margins, 2 + 2 pixels a side.
    const QMargins m = textMargins();
    const int text = fontMetrics().horizontalAdvance(QLatin1Char('0')) * digits_ + m.left() + m.right();
    return {text + 10, QLineEdit::minimumSizeHint().height()};
  }
  QSize sizeHint() const override {
    return sizePolicy().horizontalPolicy() == QSizePolicy::Fixed ? minimumSizeHint() : QLineEdit::sizeHint();
  }

 private:
  int digits_;
};

// A list of a few lines at least, in the font it has now.
class ListField : public QListWidget {
 public:
  using QListWidget::QListWidget;
  QSize minimumSizeHint() const override {
    return {fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 2 * frameWidth(),
            fontMetrics().lineSpacing() * 4 + 2 * frameWidth()};
  }
};

// A label showing its caption. A label of a fixed width keeps that width (in average characters of the
// font it has now) whatever its caption: a longer caption is cut with an ellipsis to the width the label
// has and shown whole as its tooltip.
class CaptionLabel : public QLabel {
 public:
  CaptionLabel(QWidget* parent, int fixedChars) : QLabel(parent), chars_(fixedChars) {}
  void SetCaption(const QString& caption) {
    caption_ = caption;
    Fit();
  }
  QSize minimumSizeHint() const override {
    if (chars_ <= 0) return QLabel::minimumSizeHint();
    // One line of the font, whatever the caption (an empty one too).
    const QMargins m = contentsMargins();
    return {fontMetrics().averageCharWidth() * chars_ + m.left() + m.right() + 2 * margin(),
            fontMetrics().height() + m.top() + m.bottom() + 2 * margin()};
  }
  QSize sizeHint() const override { return chars_ > 0 ? minimumSizeHint() : QLabel::sizeHint(); }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Fit();
  }
  void changeEvent(QEvent* event) override {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) Fit();
  }

 private:
  void Fit() {
    if (chars_ <= 0) {
      setText(caption_);
      return;
    }
    // The caption as it is at its end: trailing blanks take no room worth a cut.
    QString shown = caption_;
    while (!shown.isEmpty() && shown.back() == QLatin1Char(' ')) shown.chop(1);
    const int room = contentsRect().width() - 2 * margin();
    const bool cut = fontMetrics().horizontalAdvance(shown) > room;
    if (cut) shown = fontMetrics().elidedText(shown, Qt::ElideRight, room);
    if (text() != shown) setText(shown);
    setToolTip(cut ? caption_ : QString());
  }

  int chars_;
  QString caption_;
};

// The property marking the frame round a group of radio buttons.
const char* const kRadioFrame = "wlRadioFrame";

bool HasLabel(ControlKind k) {
  return k == ControlKind::Edit || k == ControlKind::ComboBox || k == ControlKind::ListBox ||
         k == ControlKind::SpinEdit;
}

// Controls that take a whole row of their container's grid.
bool TakesRow(ControlKind k) {
  return k == ControlKind::Panel || k == ControlKind::GroupBox || k == ControlKind::PageControl;
}

}  // namespace

FormView::FormView(Form& form, QWidget* window, QMenuBar* menuBar) : QObject(window), form_(form), window_(window) {
  Build(window, menuBar);
  listener_ = form_.AddListener([this](const ControlNotice& n) { OnNotice(n); });
}

FormView::~FormView() { form_.RemoveListener(listener_); }

void FormView::KeepParentFonts(QWidget* root) {
  // A widget given its parent's font is marked; once without a style sheet it inherits again.
  static const char* const kGiven = "wl_parent_font";
  auto keep = [](QWidget* w) {
    if (w->testAttribute(Qt::WA_StyleSheet) && w->parentWidget() && !w->isWindow()) {
      w->setFont(w->parentWidget()->font());
      w->setProperty(kGiven, true);
    } else if (w->property(kGiven).toBool()) {
      w->setFont(QFont());
      w->setProperty(kGiven, false);
    }
  };
  keep(root);
  for (QWidget* w : root->findChildren<QWidget*>()) keep(w);
}

QColor FormView::CaptionQColor(std::int64_t color) {
  if (color == GroupBox::clInactiveCaption) return QPalette().color(QPalette::Disabled, QPalette::WindowText);
  if (color < 0) return QPalette().color(QPalette::Active, QPalette::WindowText);
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

// ---- lookup

FormView::Binding* FormView::Find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &bindings_[it->second];
}

const FormView::Binding* FormView::Find(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &bindings_[it->second];
}

FormView::Binding* FormView::Find(const Control* c) { return c ? Find(c->Name()) : nullptr; }

QWidget* FormView::WidgetOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Widget : nullptr;
}

QWidget* FormView::CellOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Cell : nullptr;
}

QAction* FormView::ActionOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Action : nullptr;
}

QMenu* FormView::MenuOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Menu : nullptr;
}

QLabel* FormView::LabelOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Label : nullptr;
}

QLabel* FormView::NoteOf(std::string_view name) const {
  const Binding* b = Find(name);
  return b ? b->Note : nullptr;
}

// ---- building

void FormView::Build(QWidget* window, QMenuBar* menuBar) {
  const auto& controls = form_.Controls();
  bindings_.reserve(controls.size());
  for (Control* c : controls) {
    index_[c->Name()] = bindings_.size();
    bindings_.push_back(Binding{c});
  }
  for (Binding& b : bindings_) BuildWidget(b, window);
  BuildMenus(menuBar);
  for (Binding& b : bindings_) Place(b);
  for (Binding& b : bindings_) {
    Sync(b);
    Connect(b);
  }
  if (window) window->setWindowTitle(Q(form_.Caption()));
  // A focus asked for before the window was built goes to its control when the window shows.
  if (Binding* focus = Find(std::string_view(form_.FocusRequested())); focus && focus->Widget)
    focus->Widget->setFocus(Qt::OtherFocusReason);
}

int FormView::ColumnsFor(const Control& container) const {
  if (container.Kind() == ControlKind::TabSheet) return 3;
  auto parent = containers_.find(container.Parent());
  if (parent != containers_.end()) return parent->second.Columns;
  // On the window itself: a panel stands beside the pages, a group box runs along the bottom.
  return container.Kind() == ControlKind::Panel ? 2 : 4;
}

FormView::Container& FormView::MakeContainer(Binding& b, QWidget* inner, int columns) {
  // A page or a box takes more columns when its controls would not fit its height otherwise; the panel
  // beside the pages keeps its two.
  const bool panel = b.Source->Kind() == ControlKind::Panel && containers_.count(b.Source->Parent()) == 0;
  auto* layout = new FlowGridLayout(inner, columns, panel ? columns : columns + 3);
  Container& box = containers_[b.Source->Name()];
  box.Layout = layout;
  box.Columns = columns;
  return box;
}

FlowGridLayout* FormView::LayoutOf(std::string_view name) const {
  auto it = containers_.find(name);
  return it == containers_.end() ? nullptr : it->second.Layout;
}

void FormView::BuildWidget(Binding& b, QWidget* window) {
  Control& c = *b.Source;
  const QString name = Q(c.Name());
  QWidget* w = nullptr;
  switch (c.Kind()) {
    case ControlKind::Edit: {
      const int mask = static_cast<Edit&>(c).MaskWidth();
      // Room for a number of five digits at least; a masked field for its digits (four at least, so that a
      // caption and its field keep a readable proportion).
      auto* e = new FieldEdit(window, mask > 0 ? std::max(mask + 1, 4) : 5, mask > 0);
      if (mask > 0) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ]*")), e));
        e->setMaxLength(mask);
      }
      e->installEventFilter(this);
      w = e;
      break;
    }
    case ControlKind::CheckBox:
      w = new QCheckBox(window);
      break;
    case ControlKind::RadioButton: {
      // The model keeps a group exclusive; Qt's own exclusivity could disagree with it.
      auto* r = new QRadioButton(window);
      r->setAutoExclusive(false);
      w = r;
      break;
    }
    case ControlKind::ComboBox:
      w = new QComboBox(window);
      break;
    case ControlKind::ListBox: {
      w = new ListField(window);
      break;
    }
    case ControlKind::SpinEdit:
      w = new QSpinBox(window);
      break;
    case ControlKind::Label:
      w = new CaptionLabel(window, static_cast<Label&>(c).FixedChars());
      break;
    case ControlKind::Button:
      w = new QPushButton(window);
      w->installEventFilter(this);
      break;
    case ControlKind::GroupBox:
    case ControlKind::Panel:
      w = new QGroupBox(window);
      break;
    case ControlKind::PageControl:
      w = new QTabWidget(window);
      break;
    case ControlKind::TabSheet: {
      auto* page = new QScrollArea(window);
      page->setWidgetResizable(true);
      page->setFrameShape(QFrame::NoFrame);
      w = page;
      break;
    }
    case ControlKind::MenuItem:
    case ControlKind::FileDialog:
      return;
  }
  w->setObjectName(name);
  if (!c.Hint().empty()) w->setToolTip(Q(c.Hint()));
  b.Widget = w;
  b.Cell = w;
  if (HasLabel(c.Kind())) {
    auto* cell = new QWidget(window);
    cell->setObjectName(name + QStringLiteral("_cell"));
    QBoxLayout* row = c.Kind() == ControlKind::ListBox ? static_cast<QBoxLayout*>(new QVBoxLayout(cell))
                                                       : static_cast<QBoxLayout*>(new QHBoxLayout(cell));
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    b.Label = new QLabel(cell);
    b.Label->setBuddy(w);
    row->addWidget(b.Label);
    if (c.Kind() == ControlKind::Edit && static_cast<Edit&>(c).MaskWidth() > 0) {
      row->addWidget(w);
      row->addStretch(1);
    } else {
      row->addWidget(w, 1);
    }
    b.Cell = cell;
  } else if (!c.Note().empty()) {
    // The note right after the caption, in the same cell: they go together wherever the cell stands.
    auto* cell = new QWidget(window);
    cell->setObjectName(name + QStringLiteral("_cell"));
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(w);
    b.Note = new QLabel(Q(c.Note()), cell);
    b.Note->setObjectName(name + QStringLiteral("_note"));
    row->addWidget(b.Note);
    row->addStretch(1);
    b.Cell = cell;
  }
}

bool FormView::InPage(const Control& c) const {
  if (c.Kind() != ControlKind::Panel) return false;
  const Binding* parent = Find(c.Parent());
  return parent && parent->Source->Kind() == ControlKind::TabSheet;
}

void FormView::BuildMenus(QMenuBar* menuBar) {
  std::set<std::string, std::less<>> parents;
  for (const Binding& b : bindings_)
    if (b.Source->Kind() == ControlKind::MenuItem && !b.Source->Parent().empty()) parents.insert(b.Source->Parent());
  QWidget* owner = window_;
  for (Binding& b : bindings_) {
    Control& c = *b.Source;
    if (c.Kind() != ControlKind::MenuItem) continue;
    QMenu* parentMenu = nullptr;
    if (!c.Parent().empty()) {
      Binding* p = Find(c.Parent());
      if (p) parentMenu = p->Menu;
    }
    QAction* action = nullptr;
    if (parents.count(c.Name())) {
      b.Menu = new QMenu(Q(c.Caption()), owner);
      b.Menu->setObjectName(Q(c.Name()));
      action = b.Menu->menuAction();
    } else {
      action = new QAction(Q(c.Caption()), owner);
      // A caption of a single dash is a separator line between the items of a menu.
      if (c.Caption() == "-") action->setSeparator(true);
    }
    action->setObjectName(Q(c.Name()));
    b.Action = action;
    if (parentMenu) {
      parentMenu->addAction(action);
    } else if (menuBar) {
      menuBar->addAction(action);
    }
  }
}

void FormView::Place(Binding& b) {
  Control& c = *b.Source;
  if (!b.Widget) return;
  if (c.Kind() == ControlKind::TabSheet) {
    auto* page = static_cast<QScrollArea*>(b.Widget);
    auto* inner = new QWidget;
    inner->setObjectName(Q(c.Name()) + QStringLiteral("_contents"));
    MakeContainer(b, inner, ColumnsFor(c));
    page->setWidget(inner);
    Binding* pc = Find(c.Parent());
    if (pc && pc->Source->Kind() == ControlKind::PageControl) {
      auto* tabs = static_cast<QTabWidget*>(pc->Widget);
      const int index = static_cast<TabSheet&>(c).PageIndex();
      page->setProperty("wlPageIndex", index);
      int at = 0;
      while (at < tabs->count() && tabs->widget(at)->property("wlPageIndex").toInt() < index) ++at;
      tabs->insertTab(at, page, Q(c.Caption()));
      return;
    }
    topLevel_.push_back({&c, b.Cell});
    return;
  }

  if (c.Kind() == ControlKind::GroupBox || c.Kind() == ControlKind::Panel) {
    Container& box = MakeContainer(b, static_cast<QGroupBox*>(b.Widget), ColumnsFor(c));
    // A panel on a page frames a small group of buttons: its frame close round them.
    if (InPage(c)) box.Layout->setContentsMargins(4, 0, 4, 0);
  }

  auto parent = containers_.find(c.Parent());
  if (parent == containers_.end()) {
    topLevel_.push_back({&c, b.Cell});
    return;
  }
  if (QBoxLayout* frame = RadioFrameFor(c, *parent->second.Layout)) {
    frame->addWidget(b.Cell);
    return;
  }
  // A panel inside a box is a small group of buttons: it stands beside the next one when there is room.
  const bool fullRow = TakesRow(c.Kind()) && c.Kind() != ControlKind::Panel;
  parent->second.Layout->AddWidget(b.Cell, fullRow);
}

QBoxLayout* FormView::RadioFrameFor(const Control& c, FlowGridLayout& parentLayout) {
  if (c.Kind() != ControlKind::RadioButton) return nullptr;
  // A box or a panel frames its own buttons (with the fields that go with them); on a page a group stands
  // among the page's other controls, and has a frame of its own.
  const Binding* container = Find(c.Parent());
  if (!container || container->Source->Kind() != ControlKind::TabSheet) return nullptr;
  const std::string& group = static_cast<const RadioButton&>(c).Group();
  const std::string key = c.Parent() + "|" + group;
  if (auto it = radioFrames_.find(key); it != radioFrames_.end()) return it->second;
  // Its buttons side by side, each as wide as its caption, the frame close round them.
  auto* frame = new QFrame;
  frame->setObjectName(Q(group) + QStringLiteral("_frame"));
  frame->setProperty(kRadioFrame, true);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(frame);
  row->setContentsMargins(4, 0, 4, 0);
  row->setSpacing(12);
  parentLayout.AddWidget(frame, false);
  radioFrames_[key] = row;
  return row;
}

void FormView::LayOutTopLevel(QWidget* host) {
  auto* column = new QVBoxLayout(host);
  for (const Item& item : topLevel_) column->addWidget(item.Widget);
}

void FormView::LayOutTopLevelInRows(QWidget* host, int perRow, const std::vector<std::string>& leftOut) {
  auto* grid = new QGridLayout(host);
  grid->setContentsMargins(2, 2, 2, 2);
  int i = 0;
  for (const Item& item : topLevel_) {
    if (std::find(leftOut.begin(), leftOut.end(), item.Source->Name()) != leftOut.end()) continue;
    grid->addWidget(item.Widget, i / perRow, i % perRow);
    ++i;
  }
  // The rows keep their height at the top of the host; what is left over stays below them.
  grid->setRowStretch((i + perRow - 1) / perRow, 1);
  HideCells(leftOut);
}

void FormView::HideCells(const std::vector<std::string>& names) const {
  for (const std::string& name : names)
    if (QWidget* cell = CellOf(name)) cell->hide();
}

// ---- widget to model

void FormView::Connect(Binding& b) {
  Control& c = *b.Source;
  Binding* bp = &b;  // bindings_ is never resized after Build
  switch (c.Kind()) {
    case ControlKind::Edit: {
      auto* e = static_cast<QLineEdit*>(b.Widget);
      connect(e, &QLineEdit::textEdited, this, [this, bp](const QString& text) {
        if (updating_) return;
        auto& edit = static_cast<Edit&>(*bp->Source);
        if (edit.MaskWidth() > 0) {
          edit.UserSetText(text.toStdString());
        } else {
          edit.SetText(text.toStdString(), ChangeSource::User);
        }
        Sync(*bp);
      });
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = static_cast<QCheckBox*>(b.Widget);
      connect(box, &QCheckBox::clicked, this, [this, bp](bool checked) {
        if (updating_) return;
        auto& check = static_cast<CheckBox&>(*bp->Source);
        // The widget has toggled already; the model toggles once, from the state before the click.
        if (check.Checked() == checked) {
          FlagGuard<bool> quiet(updating_, true);
          check.SetChecked(!checked);
        }
        check.UserClick();
        Sync(*bp);
      });
      break;
    }
    case ControlKind::RadioButton: {
      auto* radio = static_cast<QRadioButton*>(b.Widget);
      connect(radio, &QRadioButton::clicked, this, [this, bp](bool) {
        if (updating_) return;
        static_cast<RadioButton&>(*bp->Source).UserClick();
        Sync(*bp);
      });
      break;
    }
    case ControlKind::ComboBox: {
      auto* combo = static_cast<QComboBox*>(b.Widget);
      connect(combo, &QComboBox::activated, this, [this, bp](int index) {
        if (updating_) return;
        static_cast<ComboBox&>(*bp->Source).SetItemIndex(index, ChangeSource::User);
        Sync(*bp);
      });
      break;
    }
    case ControlKind::ListBox: {
      auto* list = static_cast<QListWidget*>(b.Widget);
      connect(list, &QListWidget::currentRowChanged, this, [this, bp](int row) {
        if (updating_) return;
        static_cast<ComboBox&>(*bp->Source).SetItemIndex(row, ChangeSource::User);
        Sync(*bp);
      });
      break;
    }
    case ControlKind::SpinEdit: {
      auto* spin = static_cast<QSpinBox*>(b.Widget);
      connect(spin, &QSpinBox::valueChanged, this, [this, bp](int value) {
        if (updating_) return;
        static_cast<SpinEdit&>(*bp->Source).SetValue(value, ChangeSource::User);
        Sync(*bp);
      });
      break;
    }
    case ControlKind::Button: {
      auto* button = static_cast<QPushButton*>(b.Widget);
      connect(button, &QPushButton::clicked, this, [this, bp] {
        if (updating_) return;
        static_cast<Button&>(*bp->Source).UserClick();
      });
      break;
    }
    case ControlKind::PageControl: {
      auto* tabs = static_cast<QTabWidget*>(b.Widget);
      connect(tabs, &QTabWidget::currentChanged, this, [this, bp, tabs](int at) {
        if (updating_ || at < 0) return;
        QWidget* page = tabs->widget(at);
        for (Binding& sheet : bindings_) {
          if (sheet.Widget != page || sheet.Source->Kind() != ControlKind::TabSheet) continue;
          static_cast<PageControl&>(*bp->Source)
              .SetActivePage(static_cast<TabSheet&>(*sheet.Source).PageIndex(), ChangeSource::User);
          break;
        }
        Sync(*bp);
      });
      break;
    }
    case ControlKind::MenuItem: {
      if (b.Menu) {
        // Opening a menu is its item's click.
        connect(b.Menu, &QMenu::aboutToShow, this, [this, bp] {
          if (updating_) return;
          static_cast<MenuItem&>(*bp->Source).UserClick();
        });
      } else if (b.Action) {
        connect(b.Action, &QAction::triggered, this, [this, bp] {
          if (updating_) return;
          static_cast<MenuItem&>(*bp->Source).UserClick();
          Sync(*bp);
        });
      }
      break;
    }
    default:
      break;
  }
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && !updating_) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // The keyboard moves the focus onto a button; a mouse press on it is its click, which has its own event,
    // and coming back to the window or closing a pop-up moves nothing.
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
      for (Binding& b : bindings_) {
        if (b.Widget != watched || b.Source->Kind() != ControlKind::Button) continue;
        static_cast<Button&>(*b.Source).EnterFocus();
        break;
      }
    }
  }
  if (event->type() == QEvent::FocusOut && !updating_) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Switching to another application or opening a pop-up does not leave the field.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      for (Binding& b : bindings_) {
        if (b.Widget != watched || b.Source->Kind() != ControlKind::Edit) continue;
        static_cast<Edit&>(*b.Source).LeaveFocus();
        break;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

// ---- model to widget

void FormView::OnNotice(const ControlNotice& n) {
  if (!n.Source) {
    if (window_) window_->setWindowTitle(Q(form_.Caption()));
    return;
  }
  Binding* b = Find(n.Source);
  if (!b) return;
  switch (n.Event) {
    case ControlEvent::Repaint:
      if (b->Cell) b->Cell->repaint();
      break;
    case ControlEvent::FocusRequest:
      if (b->Widget) b->Widget->setFocus(Qt::OtherFocusReason);
      break;
    case ControlEvent::FocusLeaves:
    case ControlEvent::FocusEnters:
    case ControlEvent::MouseReleased:
      break;
    default:
      Sync(*b);
      break;
  }
}

void FormView::SyncTab(Binding& b) {
  Binding* pc = Find(b.Source->Parent());
  if (!pc || pc->Source->Kind() != ControlKind::PageControl) {
    b.Widget->setEnabled(b.Source->Enabled());
    b.Widget->setHidden(!b.Source->Visible());
    return;
  }
  auto* tabs = static_cast<QTabWidget*>(pc->Widget);
  const int at = tabs->indexOf(b.Widget);
  if (at < 0) return;
  QSignalBlocker block(tabs);
  tabs->setTabText(at, Q(b.Source->Caption()));
  tabs->setTabEnabled(at, b.Source->Enabled());
  tabs->setTabVisible(at, b.Source->Visible());
}

void FormView::Sync(Binding& b) {
  Control& c = *b.Source;
  FlagGuard<bool> quiet(updating_, true);

  if (c.Kind() == ControlKind::MenuItem) {
    if (!b.Action) return;
    auto& item = static_cast<MenuItem&>(c);
    QSignalBlocker block(b.Action);
    if (b.Menu) {
      b.Menu->setTitle(Q(c.Caption()));
    } else if (!b.Action->isSeparator()) {
      b.Action->setText(Q(c.Caption()));
      // Only a checked item shows a mark.
      b.Action->setCheckable(item.Checked());
      b.Action->setChecked(item.Checked());
    }
    b.Action->setEnabled(c.Enabled());
    b.Action->setVisible(c.Visible());
    return;
  }
  if (!b.Widget) return;
  if (c.Kind() == ControlKind::TabSheet) {
    SyncTab(b);
    return;
  }

  QSignalBlocker block(b.Widget);
  if (b.Label) {
    b.Label->setText(Q(c.Caption()));
    b.Label->setHidden(c.Caption().empty());
  }
  switch (c.Kind()) {
    case ControlKind::Edit: {
      auto& edit = static_cast<Edit&>(c);
      auto* e = static_cast<QLineEdit*>(b.Widget);
      // Leave the widget alone while it already shows the text: rewriting it would move the cursor.
      const bool same = edit.MaskWidth() > 0 ? TrimmedRight(e->text()) == DisplayText(edit)
                                             : e->text() == Q(edit.Text());
      if (!same) e->setText(DisplayText(edit));
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = static_cast<QCheckBox*>(b.Widget);
      box->setText(Q(c.Caption()));
      box->setChecked(static_cast<CheckBox&>(c).Checked());
      break;
    }
    case ControlKind::RadioButton: {
      auto* radio = static_cast<QRadioButton*>(b.Widget);
      radio->setText(Q(c.Caption()));
      radio->setChecked(static_cast<RadioButton&>(c).Checked());
      break;
    }
    case ControlKind::ComboBox: {
      auto& model = static_cast<ComboBox&>(c);
      auto* combo = static_cast<QComboBox*>(b.Widget);
      const auto& items = model.Items();
      bool sameItems = combo->count() == static_cast<int>(items.size());
      for (int i = 0; sameItems && i < combo->count(); ++i) sameItems = combo->itemText(i) == Q(items[i]);
      if (!sameItems) {
        combo->clear();
        for (const auto& item : items) combo->addItem(Q(item));
      }
      combo->setCurrentIndex(model.ItemIndex());
      // A text that no item has still shows.
      combo->setPlaceholderText(model.ItemIndex() < 0 ? Q(model.Text()) : QString());
      break;
    }
    case ControlKind::ListBox: {
      auto& model = static_cast<ComboBox&>(c);
      auto* list = static_cast<QListWidget*>(b.Widget);
      const auto& items = model.Items();
      bool sameItems = list->count() == static_cast<int>(items.size());
      for (int i = 0; sameItems && i < list->count(); ++i) sameItems = list->item(i)->text() == Q(items[i]);
      if (!sameItems) {
        list->clear();
        for (const auto& item : items) list->addItem(Q(item));
      }
      list->setCurrentRow(model.ItemIndex());
      break;
    }
    case ControlKind::SpinEdit: {
      auto& model = static_cast<SpinEdit&>(c);
      auto* spin = static_cast<QSpinBox*>(b.Widget);
      if (model.MaxValue() > model.MinValue()) {
        spin->setRange(model.MinValue(), model.MaxValue());
      } else {
        spin->setRange(-2147483647, 2147483647);
      }
      spin->setValue(model.Value());
      break;
    }
    case ControlKind::Label:
      static_cast<CaptionLabel*>(b.Widget)->SetCaption(Q(c.Caption()));
      break;
    case ControlKind::Button:
      static_cast<QPushButton*>(b.Widget)->setText(Q(c.Caption()));
      break;
    case ControlKind::GroupBox:
    case ControlKind::Panel: {
      auto* group = static_cast<QGroupBox*>(b.Widget);
      // A panel on a page is a frame round its buttons; its caption is its tooltip.
      if (InPage(c)) {
        group->setToolTip(Q(c.Caption()));
      } else {
        group->setTitle(Q(c.Caption()));
      }
      const std::int64_t color = static_cast<GroupBox&>(c).CaptionColor();
      // A style sheet colours the caption only; a palette would colour the box's controls as well.
      group->setStyleSheet(color == GroupBox::clWindowText
                               ? QString()
                               : QStringLiteral("QGroupBox#%1::title { color: %2; }")
                                     .arg(Q(c.Name()), CaptionQColor(color).name()));
      KeepParentFonts(group);
      break;
    }
    case ControlKind::PageControl: {
      auto& model = static_cast<PageControl&>(c);
      auto* tabs = static_cast<QTabWidget*>(b.Widget);
      for (Binding& sheet : bindings_) {
        if (sheet.Source->Kind() != ControlKind::TabSheet || sheet.Source->Parent() != c.Name()) continue;
        if (static_cast<TabSheet&>(*sheet.Source).PageIndex() == model.ActivePage() && sheet.Widget)
          tabs->setCurrentWidget(sheet.Widget);
      }
      break;
    }
    default:
      break;
  }
  b.Cell->setEnabled(c.Enabled());
  b.Cell->setHidden(!c.Visible());
  // The frame of a radio group shows while one of its buttons does.
  if (QWidget* frame = b.Cell->parentWidget(); frame && frame->property(kRadioFrame).toBool()) {
    bool any = false;
    for (QObject* child : frame->children())
      if (auto* w = qobject_cast<QWidget*>(child)) any = any || !w->isHidden();
    frame->setHidden(!any);
  }
}

}  // namespace wl
