#pragma once
// The editor window of text reports and parameter files: the file in a fixed-width font, with Save and
// Close. It does not block the program; several can be open at once.
#include <QMainWindow>
#include <QString>

class QPlainTextEdit;

namespace wl {

class EditorWindow : public QMainWindow {
 public:
  explicit EditorWindow(const QString& path, QWidget* parent = nullptr);

  const QString& Path() const { return path_; }
  QPlainTextEdit* TextEdit() const { return text_; }
  // Writes the text back to the file in the encoding it was read in; false (after a message) on failure.
  bool Save();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Load();

  QString path_;
  QPlainTextEdit* text_;
  bool latin1_ = false;  // the file was not UTF-8; it is written back byte for byte
};

}  // namespace wl
