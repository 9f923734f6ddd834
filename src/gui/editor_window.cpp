#include "gui/editor_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStringDecoder>

namespace wl {

EditorWindow::EditorWindow(const QString& path, QWidget* parent)
    : QMainWindow(parent), path_(path), text_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("EditorWindow"));
  setWindowTitle(QFileInfo(path_).fileName() + QStringLiteral("[*] - WeightLab Editor"));
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Reports are tables: long lines scroll rather than wrap.
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  setCentralWidget(text_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* save = file->addAction(QStringLiteral("&Save"));
  save->setShortcut(QKeySequence::Save);
  connect(save, &QAction::triggered, this, [this] { Save(); });
  file->addSeparator();
  QAction* close = file->addAction(QStringLiteral("&Close"));
  close->setShortcut(QKeySequence::Close);
  connect(close, &QAction::triggered, this, &QWidget::close);

  Load();
  connect(text_->document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
  resize(820, 640);
}

void EditorWindow::Load() {
  QFile f(path_);
  if (!f.open(QIODevice::ReadOnly)) return;  // a new file: the editor starts empty and Save creates it
  const QByteArray bytes = f.readAll();
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) {
    latin1_ = true;
    text = QString::fromLatin1(bytes);
  }
  text_->setPlainText(text);
  text_->document()->setModified(false);
}

bool EditorWindow::Save() {
  QSaveFile f(path_);
  const QString text = text_->toPlainText();
  const QByteArray bytes = latin1_ ? text.toLatin1() : text.toUtf8();
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
    QMessageBox::warning(this, QStringLiteral("WeightLab"), QStringLiteral("Cannot write ") + path_);
    return false;
  }
  text_->document()->setModified(false);
  return true;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (text_->document()->isModified()) {
    const auto answer = QMessageBox::question(
        this, QStringLiteral("WeightLab Editor"),
        QStringLiteral("Save the changes to ") + QFileInfo(path_).fileName() + QStringLiteral("?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

}  // namespace wl
