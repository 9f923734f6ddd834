#include "gui/qt_platform.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>

#include "gui/editor_window.h"
#include "platform/controls.h"
#include "platform/paths.h"

namespace wl {

namespace {

const QString kAppName = QStringLiteral("WeightLab");

// The event pump runs at most this often; the routines may call it in every step of a loop.
constexpr qint64 kPumpIntervalMs = 100;

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

QtPlatform::QtPlatform(std::string programDir) : programDir_(std::move(programDir)) {}

QtPlatform::~QtPlatform() {
  if (hourglass_ && QApplication::instance()) QApplication::restoreOverrideCursor();
  for (auto& e : editors_) delete e.data();
  delete help_.data();
}

void QtPlatform::ShowMessage(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.empty() ? kAppName : QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok, mainWindow_);
  box.exec();
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
                  QString::fromStdString(text), set, mainWindow_);
  box.setEscapeButton(escape);
  box.exec();
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
  // The routines decide themselves which files may be replaced; the dialog does not ask again.
  const QString path = dlg.IsSave()
                           ? QFileDialog::getSaveFileName(mainWindow_, QStringLiteral("Save As"), QString::fromStdString(start), filter,
                                                          nullptr, QFileDialog::DontConfirmOverwrite)
                           : QFileDialog::getOpenFileName(mainWindow_, QStringLiteral("Open"), QString::fromStdString(start),
                                                          filter);
  if (path.isEmpty()) return false;
  dlg.FileName = path.toStdString();
  return true;
}

void QtPlatform::OpenInEditor(const std::string& path) {
  auto* editor = new EditorWindow(QString::fromStdString(Resolve(programDir_, path)));
  editor->setAttribute(Qt::WA_DeleteOnClose);
  editors_.emplace_back(editor);
  editor->show();
  editor->raise();
  editor->activateWindow();
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
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void QtPlatform::ProcessEvents() {
  if (!QCoreApplication::instance()) return;
  if (lastPump_.isValid() && lastPump_.elapsed() < kPumpIntervalMs) return;
  lastPump_.start();
  // Paint and window events only: what the user does during a run waits until the run ends.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
