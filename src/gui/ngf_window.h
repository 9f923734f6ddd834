#pragma once
// The NG error-section window "NG ES Section": the E(h) chart the numerical-gradient trainers draw, and
// its "Save" and "Save As" buttons under it. The trainers show it when they start a chart.
#include <QWidget>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

// Paints the chart, scaled down to its own size when the chart is larger (point sizes above 1).
class SectionPicture : public QWidget {
 public:
  SectionPicture(TNGF& form, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TNGF& form_;
};

class NgfWindow : public QWidget {
 public:
  explicit NgfWindow(Workbench& wb);
  ~NgfWindow() override;

  FormView& View() const { return *view_; }
  SectionPicture* Picture() const { return picture_; }
  // Places the window and its parts where the model says.
  void ApplyGeometry();
  // Brings the window forward.
  void ShowFromModel();

 private:
  void OnNotice(const ControlNotice& n);

  Workbench& wb_;
  FormView* view_;
  SectionPicture* picture_;
  int listener_ = 0;
};

}  // namespace wl
