#include "gui/qt_platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QWindow>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/editor_window.h"
#include "gui/screen_place.h"
#include "platform/controls.h"
#include "platform/paths.h"

namespace wl {

namespace {

const QString kAppName = QStringLiteral("WeightLab");

// The event pump runs at most this often; the routines may call it in every step of a loop.
constexpr int kPumpIntervalMs = 100;

// What the user is told when the main window is closed during a run.
constexpr const char* kCloseNote = "WeightLab ends when the running command has ended.";

// The events by which the user works a control or a menu.
bool IsUserInput(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

std::string WithSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// A path a routine gave: old-style spellings of the program's folders also below the program directory.
std::string Resolve(const std::string& programDir, const std::string& path) {
  std::string p = WithSlashes(path);
  const std::string base = programDir + "/";
  if (p.compare(0, base.size(), base) == 0) return ProgramPath(programDir, p.substr(base.size()));
  // "/DATA/x" is the old way of writing a path below the program directory; a path that exists elsewhere
  // is taken as it is.
  if (!p.empty() && p.front() == '/' && (FileExists(p) || DirectoryExists(p))) return p;
  return ProgramPath(programDir, p);
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = s[s.size() - tail.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != tail[i]) return false;
  }
  return true;
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  if (filter.empty()) return {};
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns;
    if (i + 1 < parts.size()) {
      for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        // "*.*" means every file, also those without a dot.
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        if (!p.isEmpty()) patterns << p;
      }
    }
    if (patterns.isEmpty()) {
      if (description.isEmpty()) continue;  // a trailing "|"
      patterns << QStringLiteral("*");
    }
    out << (description.isEmpty() ? QString() : description + QLatin1Char(' ')) + QLatin1Char('(') +
               patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

std::string HelpPagePath(const std::string& helpFile, const std::string& programDir) {
  if (!helpFile.empty()) {
    const std::string page = Resolve(programDir, helpFile);
    if ((EndsWithNoCase(page, ".html") || EndsWithNoCase(page, ".htm")) && FileExists(page)) return page;
  }
  return ProgramPath(programDir, "help/index.html");
}

// While the pump passes, a command runs: the user's clicks and keys go nowhere (a click on "New Training"
// would otherwise start a second run after this one), and a window the user closes stays until the
// command has ended.
class QtPlatform::InputGate : public QObject {
 public:
  explicit InputGate(QtPlatform& p) : p_(p) {}
  bool Dropping = false;
  std::vector<QPointer<QWidget>> HeldCloses;
  QPointer<QWidget> StayOnTop;
  // The window the user last pressed a button or a key in (a menu's window for its menu), the stay-on-top
  // window and the dialogs left out: a command's dialogs belong to it.
  QPointer<QWidget> Worked;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()) StepDown(watched, event);
    if (!Dropping && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) &&
        watched->isWidgetType())
      NoteWorked(static_cast<QWidget*>(watched));
    if (!Dropping) return false;
    if (IsUserInput(event->type())) {
      ++p_.dropped_;
      event->ignore();
      return true;
    }
    if (event->type() == QEvent::Close && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
      p_.HoldClose(static_cast<QWidget*>(watched));
      event->ignore();
      return true;
    }
    return false;
  }

 private:
  void NoteWorked(QWidget* w) {
    QWidget* win = w->window();
    // A menu, a drop-down list: the window it belongs to.
    while (win && (win->windowFlags() & Qt::Popup) == Qt::Popup && win->parentWidget()) win = win->parentWidget()->window();
    if (!win || win == StayOnTop || win->isModal() || (win->windowFlags() & Qt::Popup) == Qt::Popup) return;
    Worked = win;
  }

  // The stay-on-top window stands above every window, also above the dialogs and message boxes, whose
  // buttons it would cover: it steps aside while one of them is open.
  void StepDown(QObject* watched, QEvent* event) {
    auto* w = static_cast<QWidget*>(watched);
    if (!w->isWindow() || !w->isModal() || !StayOnTop || w == StayOnTop) return;
    std::erase_if(modals_, [](const QPointer<QWidget>& m) { return !m; });
    if (event->type() == QEvent::Show) {
      if (modals_.empty()) {
        restore_ = StayOnTop->isVisible();
        StayOnTop->hide();
      }
      if (std::find(modals_.begin(), modals_.end(), w) == modals_.end()) modals_.emplace_back(w);
      return;
    }
    std::erase(modals_, QPointer<QWidget>(w));
    if (modals_.empty() && restore_) {
      restore_ = false;
      StayOnTop->show();
    }
  }

  QtPlatform& p_;
  std::vector<QPointer<QWidget>> modals_;
  bool restore_ = false;
};

void QtPlatform::SetStayOnTopWindow(QWidget* w) {
  if (gate_) gate_->StayOnTop = w;
}

QtPlatform::QtPlatform(std::string programDir) : programDir_(std::move(programDir)), pumpIntervalMs_(kPumpIntervalMs) {
  if (QCoreApplication::instance()) {
    gate_ = new InputGate(*this);
    QCoreApplication::instance()->installEventFilter(gate_);
  }
}

QtPlatform::~QtPlatform() {
  if (gate_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(gate_);
  delete gate_;
  if (hourglass_ && QApplication::instance()) QApplication::restoreOverrideCursor();
  for (auto& e : editors_) delete e.data();
  delete help_.data();
}

QWidget* QtPlatform::DialogParent() const {
  // A dialog belongs to the window the user worked in (the picture viewer's own dialogs to the viewer), so
  // that this window, not the main window, stands under it and comes back to the front when it closes.
  // Which window the window system has made active may lag behind the user's click.
  QWidget* stayOnTop = gate_ ? gate_->StayOnTop.data() : nullptr;
  if (gate_ && gate_->Worked && gate_->Worked->isVisible()) return gate_->Worked;
  QWidget* active = QApplication::activeWindow();
  if (active && active != stayOnTop && !(active->windowFlags() & Qt::Popup)) return active;
  return mainWindow_;
}

namespace {

// Runs a dialog of `owner`: the window system is told whose dialog it is (so that it stands over that
// window and brings no other window of the program forward), and `owner` comes back to the front when the
// dialog closes.
int RunDialogOf(QDialog& dialog, QWidget* owner) {
  if (owner) {
    dialog.winId();
    if (QWindow* own = owner->window()->windowHandle(); own && dialog.windowHandle())
      dialog.windowHandle()->setTransientParent(own);
  }
  const int result = dialog.exec();
  if (owner && owner->isVisible()) {
    owner->window()->raise();
    owner->window()->activateWindow();
  }
  return result;
}

}  // namespace

void QtPlatform::ShowMessage(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.empty() ? kAppName : QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok, DialogParent());
  RunDialogOf(box, box.parentWidget());
}

Answer QtPlatform::Ask(const std::string& text, const std::string& caption, Buttons buttons) {
  QMessageBox::StandardButtons set;
  QMessageBox::StandardButton escape = QMessageBox::Cancel;
  switch (buttons) {
    case Buttons::Ok:
      set = QMessageBox::Ok;
      escape = QMessageBox::Ok;
      break;
    case Buttons::OkCancel:
      set = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case Buttons::YesNo:
      set = QMessageBox::Yes | QMessageBox::No;
      escape = QMessageBox::No;
      break;
    case Buttons::YesNoCancel:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  QMessageBox box(QMessageBox::Question, caption.empty() ? kAppName : QString::fromStdString(caption),
                  QString::fromStdString(text), set, DialogParent());
  box.setEscapeButton(escape);
  RunDialogOf(box, box.parentWidget());
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Ok:
      return Answer::Ok;
    default:
      return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
}

bool QtPlatform::Execute(FileDialog& dlg) {
  std::string start = dlg.InitialDir.empty() ? programDir_ : Resolve(programDir_, dlg.InitialDir);
  if (!dlg.FileName.empty()) {
    const std::string name = WithSlashes(dlg.FileName);
    start = name.front() == '/' ? name : start + "/" + name;
  }
  const QString filter = QtFileFilter(dlg.Filter);
  QWidget* owner = DialogParent();
  QFileDialog dialog(owner, dlg.IsSave() ? QStringLiteral("Save As") : QStringLiteral("Open"),
                     QString::fromStdString(start), filter);
  dialog.setAcceptMode(dlg.IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(dlg.IsSave() ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The routines decide themselves which files may be replaced; the dialog does not ask again.
  if (dlg.IsSave()) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (RunDialogOf(dialog, owner) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString path = dialog.selectedFiles().constFirst();
  if (path.isEmpty()) return false;
  dlg.FileName = path.toStdString();
  return true;
}

namespace {

// A window the window system places (an editor, the help): shown where it puts it, then kept whole on the
// screen (moved, and made smaller when larger than the screen) now and once it has its frame.
void ShowPlacedBySystem(QWidget* w) {
  w->show();
  w->raise();
  w->activateWindow();
  KeepOnScreen(w);
  QPointer<QWidget> guarded(w);
  for (int ms : {0, 300})
    QTimer::singleShot(ms, w, [guarded] {
      if (guarded && guarded->isVisible()) KeepOnScreen(guarded);
    });
}

}  // namespace

void QtPlatform::OpenInEditor(const std::string& path) {
  auto* editor = new EditorWindow(QString::fromStdString(Resolve(programDir_, path)));
  editor->setAttribute(Qt::WA_DeleteOnClose);
  editors_.emplace_back(editor);
  ShowPlacedBySystem(editor);
}

std::vector<EditorWindow*> QtPlatform::Editors() const {
  std::vector<EditorWindow*> open;
  for (const auto& e : editors_)
    if (e) open.push_back(e.data());
  return open;
}

void QtPlatform::ShowHelp(const std::string& helpFile) {
  const std::string page = HelpPagePath(helpFile, programDir_);
  if (!FileExists(page)) {
    ShowMessage("Cannot find the help page " + page);
    return;
  }
  if (!help_) {
    help_ = new QTextBrowser;
    help_->setObjectName(QStringLiteral("HelpWindow"));
    help_->setAttribute(Qt::WA_DeleteOnClose);
    help_->setWindowTitle(QStringLiteral("WeightLab Help"));
    help_->setOpenExternalLinks(true);
    help_->resize(760, 640);
  }
  help_->setSource(QUrl::fromLocalFile(QString::fromStdString(page)));
  ShowPlacedBySystem(help_);
}

void QtPlatform::ProcessEvents() {
  if (!QCoreApplication::instance() || !gate_) return;
  // Only the thread of the windows pumps (the plane sampler's workers never reach here, and must not).
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) return;
  if (lastPump_.isValid() && lastPump_.elapsed() < pumpIntervalMs_) return;
  lastPump_.start();
  Pass();
}

void QtPlatform::Pass() {
  ++passes_;
  pumped_ = true;
  BeforePass();
  // Everything is delivered, the user's input too, so that none of it waits to run after the run; the
  // gate drops it on the way.
  FlagGuard<bool> dropping(gate_->Dropping, true);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPlatform::CommandEnded() {
  if (!gate_) return;
  // A command that ran long enough to pump: what the user did since the last pass goes too.
  if (pumped_) Pass();
  pumped_ = false;
  lastPump_.invalidate();
  // The windows the user closed during the run close now, once the command has returned.
  std::vector<QPointer<QWidget>> closes;
  closes.swap(gate_->HeldCloses);
  if (closeNote_) closeNote_->deleteLater();
  for (const QPointer<QWidget>& w : closes) {
    if (!w) continue;
    QMetaObject::invokeMethod(
        w.data(), [w] { if (w) w->close(); }, Qt::QueuedConnection);
  }
}

void QtPlatform::HoldClose(QWidget* w) {
  if (!w || !gate_) return;
  bool held = false;
  for (const auto& h : gate_->HeldCloses) held = held || h == w;
  if (!held) gate_->HeldCloses.emplace_back(w);
  if (w != mainWindow_ || closeNote_) return;
  // Not a message box: its button would wait for a click that the running command drops. The note goes
  // with the main window.
  auto* note = new QWidget(mainWindow_, Qt::Dialog);
  note->setObjectName(QStringLiteral("CloseNote"));
  note->setWindowTitle(kAppName);
  auto* layout = new QVBoxLayout(note);
  layout->addWidget(new QLabel(QString::fromUtf8(kCloseNote), note));
  note->show();
  closeNote_ = note;
}

bool QtPlatform::CloseEditors() {
  bool all = true;
  for (const auto& e : editors_)
    if (e && e->isVisible() && !e->close()) all = false;
  return all;
}

void QtPlatform::SetHourglass(bool on) {
  // The routines switch the hourglass off also when it is not on (the end of a command that failed).
  if (on == hourglass_ || !QApplication::instance()) return;
  hourglass_ = on;
  if (on) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtPlatform::Terminate() {
  terminate_ = true;
  // When the event loop runs already, it ends as soon as it gets back control.
  if (QCoreApplication::instance())
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void QtPlatform::ShowWindow(const std::string& name) {
  auto it = windows_.find(name);
  if (it != windows_.end() && it->second.Show) it->second.Show();
}

void QtPlatform::HideWindow(const std::string& name) {
  auto it = windows_.find(name);
  if (it != windows_.end() && it->second.Hide) it->second.Hide();
}

void QtPlatform::RepaintWindow(const std::string& name) {
  auto it = repaints_.find(name);
  if (it != repaints_.end() && it->second) it->second();
}

}  // namespace wl
