#pragma once
// The representation windows HRF, ORF, HPF and OPF: the picture the signal plots copied onto the window
// (image I1), "Save" and "Save As", and on the output window the epoch field and "Auto Save". Each shows
// itself when a picture is copied onto it.
#include <QWidget>

#include "gui/form_view.h"
#include "state/workbench.h"

namespace wl {

// Paints the window's picture, scaled down to the image's size when larger.
class RepresentationPicture : public QWidget {
 public:
  RepresentationPicture(Workbench& wb, TRepresentationForm& form, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Workbench& wb_;
  TRepresentationForm& form_;
};

class RepresentationWindow : public QWidget {
 public:
  RepresentationWindow(Workbench& wb, TRepresentationForm& form);
  ~RepresentationWindow() override;

  FormView& View() const { return *view_; }
  RepresentationPicture* Picture() const { return picture_; }
  // Places the window and its parts where the model says and brings it forward.
  void ShowFromModel();
  void ApplyGeometry();

 private:
  void OnNotice(const ControlNotice& n);

  Workbench& wb_;
  TRepresentationForm& form_;
  FormView* view_;
  RepresentationPicture* picture_;
  int listener_ = 0;
};

}  // namespace wl
