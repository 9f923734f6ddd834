#pragma once
// The training-progress window: the live progress picture while a run draws it, the finished picture
// afterwards, the labels of the curves and the window's buttons. It shows itself when a run opens the plot.
#include <QElapsedTimer>
#include <functional>
#include <QWidget>

#include "analysis/gtp_pictures.h"
#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

// Paints the training-progress window's current picture, scaled down to its own size when larger.
class ProgressPicture : public QWidget {
 public:
  ProgressPicture(TGTP& form, QWidget* parent);
  // The picture shown now: the finished one while Image1 is visible, else the live bitmap.
  const QImage& Current() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TGTP& form_;
};

class GtpWindow : public QWidget {
 public:
  explicit GtpWindow(Workbench& wb);
  ~GtpWindow() override;

  FormView& View() const { return *view_; }
  // The colour key beside label 1, 2 or 3: a bar of its curve's colour at the label's left.
  QWidget* KeyOf(int label) const { return label >= 1 && label <= 3 ? keys_[label - 1] : nullptr; }
  ProgressPicture* Picture() const { return picture_; }
  // Places the window and its parts where the model says.
  void ApplyGeometry();
  // Brings the window forward, at the model's place or, when that would cover them, away from the controls
  // `keepClear` gives (in screen coordinates; empty: none), made lower if nothing else helps.
  void ShowFromModel();
  void KeepClearOf(std::function<QRect()> keepClear) { keepClear_ = std::move(keepClear); }

 private:
  void OnNotice(const ControlNotice& n);
  // The model's place, or the one clear of the controls to keep in sight (the window made lower if need
  // be), for the window's frame as now known.
  QPoint ClearPlace();
  void RefreshPicture();
  void SyncLabels();

  Workbench& wb_;
  FormView* view_;
  ProgressPicture* picture_;
  QWidget* keys_[3] = {nullptr, nullptr, nullptr};
  int listener_ = 0;
  QElapsedTimer lastPaint_;
  std::function<QRect()> keepClear_;
  // The pixels the window is made lower than the model's height (the picture shows scaled down).
  int lowered_ = 0;
};

}  // namespace wl
