#include "gui/program_windows.h"
#include "gui/screen_place.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include "gui/gtp_window.h"
#include "gui/main_window.h"
#include "gui/ngf_window.h"
#include "gui/representation_window.h"
#include "gui/small_windows.h"
#include "gui/surface_window.h"
#include "gui/trajectory_2d_window.h"
#include "gui/trajectory_3d_window.h"
#include "gui/weight_window.h"
#include "gui/tool_windows.h"
#include "platform/rounding.h"
#include "shell/on_top.h"

namespace wl {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void ReadScreen(Workbench& wb) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  wb.ScreenPixelsPerInch = RoundInt(screen->logicalDotsPerInchY());
  wb.ScreenWidth = screen->geometry().width();
  wb.ScreenHeight = screen->geometry().height();
}

ProgramWindows::ProgramWindows(Workbench& wb, QtPlatform& platform) : wb_(wb), platform_(platform) {
  // The picture viewer is made when it is first shown and destroyed when it is closed.
  platform_.RegisterWindow("Przegladaj", {[this] {
                                            QWidget* w = Window("Przegladaj");
                                            if (!w) w = MakeViewer();
                                            ShowAt(w, w->pos());
                                          },
                                          [this] {
                                            if (QWidget* w = Window("Przegladaj")) w->hide();
                                          }});
  // The two weight windows are made when first shown and kept when closed.
  for (int k = 0; k < 2; ++k) {
    platform_.RegisterWindow(wb_.WeightForms[static_cast<std::size_t>(k)].Name(),
                             {[this, k] {
                                WeightWindow* w = weightWindows_[static_cast<std::size_t>(k)];
                                if (!w) w = MakeWeightWindow(k);
                                w->ShowFromModel();
                              },
                              [this, k] {
                                if (WeightWindow* w = weightWindows_[static_cast<std::size_t>(k)]) w->hide();
                              }});
  }
  // The data-visualisation windows: the newest one still open is the one brought forward; a window is
  // made for a form that has none yet.
  platform_.RegisterWindow("GraphData", {[this] {
                                           if (wb_.GraphDataWindows.empty()) return;
                                           const std::shared_ptr<TGraphData>& form = wb_.GraphDataWindows.back();
                                           GraphDataWindow* w = nullptr;
                                           for (const auto& g : graphs_)
                                             if (g && &g->Model() == form.get()) w = g.data();
                                           if (!w) {
                                             w = new GraphDataWindow(wb_, form);
                                             w->installEventFilter(this);
                                             graphs_.emplace_back(w);
                                           }
                                           w->ShowFromModel();
                                         },
                                         [] {}});
}

WeightWindow* ProgramWindows::MakeWeightWindow(int k) {
  auto* w = new WeightWindow(wb_, wb_.WeightForms[static_cast<std::size_t>(k)]);
  weightWindows_[static_cast<std::size_t>(k)] = w;
  windows_[w->objectName().toStdString()] = w;
  w->installEventFilter(this);
  return w;
}

ProgramWindows::~ProgramWindows() {
  // The windows go in the reverse order of their making; the main window last.
  for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
    auto found = windows_.find(*it);
    if (found != windows_.end() && found->second) delete found->second.data();
  }
  if (QWidget* viewer = Window("Przegladaj")) delete viewer;
  for (auto& w : weightWindows_) delete w.data();
  for (const auto& g : graphs_)
    if (g) delete g.data();
}

std::vector<GraphDataWindow*> ProgramWindows::GraphWindows() const {
  std::vector<GraphDataWindow*> open;
  for (const auto& g : graphs_)
    if (g) open.push_back(g.data());
  return open;
}

QWidget* ProgramWindows::Window(const std::string& name) const {
  auto it = windows_.find(name);
  return it == windows_.end() ? nullptr : it->second.data();
}

void ProgramWindows::Keep(const std::string& name, QWidget* w) {
  windows_[name] = w;
  w->installEventFilter(this);
  if (name != "Przegladaj") made_.push_back(name);
  if (!platform_.WindowRegistered(name)) {
    platform_.RegisterWindow(name, {[this, name] {
                                      if (QWidget* win = Window(name)) {
                                        ShowAt(win, win->pos());
                                      }
                                    },
                                    [this, name] {
                                      if (QWidget* win = Window(name)) win->hide();
                                    }});
  }
}

void ProgramWindows::Make(const StartupWindow& w) {
  const std::string name = w.Name;
  if (name == "Form1") {
    main_ = new MainWindow(wb_);
    main_->SetPlatform(&platform_);
    platform_.SetMainWindow(main_);
    // A new font scale lays the window out again.
    platform_.RegisterRepaint(name, [this] {
      if (!main_) return;
      main_->ApplyFontLayout();
      main_->repaint();
    });
    Keep(name, main_);
  } else if (name == "Form2") {
    auto* fonts = new FontWindow(wb_);
    QPointer<FontWindow> guarded(fonts);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, fonts);
  } else if (name == "GTP") {
    gtp_ = new GtpWindow(wb_);
    // The plot leaves the main window's epoch, error and time in sight, which a run keeps writing.
    gtp_->KeepClearOf([this] {
      QRect clear;
      if (!main_ || !main_->isVisible()) return clear;
      for (const char* name : {"ep", "ge", "TrainingEdit"})
        if (QWidget* cell = main_->View().CellOf(name); cell && cell->isVisibleTo(main_))
          clear |= QRect(cell->mapToGlobal(QPoint(0, 0)), cell->size());
      return clear;
    });
    platform_.RegisterWindow(name, {[this] {
                                      if (gtp_) gtp_->ShowFromModel();
                                    },
                                    [this] {
                                      if (gtp_) gtp_->hide();
                                    }});
    Keep(name, gtp_);
  } else if (name == "NGF") {
    auto* ngf = new NgfWindow(wb_);
    QPointer<NgfWindow> guarded(ngf);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, ngf);
  } else if (name == "NG3D") {
    auto* surface = new SurfaceWindow(wb_);
    QPointer<SurfaceWindow> guarded(surface);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, surface);
  } else if (name == "LT2") {
    auto* lt2 = new Trajectory2DWindow(wb_);
    QPointer<Trajectory2DWindow> guarded(lt2);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, lt2);
  } else if (name == "LT3") {
    auto* lt3 = new Trajectory3DWindow(wb_);
    QPointer<Trajectory3DWindow> guarded(lt3);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, lt3);
  } else if (name == "EForm") {
    auto* eform = new Trajectory1DWindow(wb_);
    QPointer<Trajectory1DWindow> guarded(eform);
    platform_.RegisterWindow(name, {[guarded] {
                                      if (guarded) guarded->ShowFromModel();
                                    },
                                    [guarded] {
                                      if (guarded) guarded->hide();
                                    }});
    Keep(name, eform);
  } else if (name == "OnTopForm") {
    onTop_ = new OnTopWindow(wb_);
    platform_.SetStayOnTopWindow(onTop_);
    if (main_) main_->SetStayOnTop(onTop_);
    platform_.RegisterWindow(name, {[this] {
                                      if (onTop_) onTop_->ShowFromModel();
                                    },
                                    [this] {
                                      if (onTop_) onTop_->hide();
                                    }});
    Keep(name, onTop_);
  } else if (name == "Form4") {
    drawing_ = new DrawingPopup(wb_);
    platform_.RegisterWindow(name, {[this] {
                                      if (drawing_) drawing_->ShowFromModel();
                                    },
                                    [this] {
                                      if (drawing_) drawing_->hide();
                                    }});
    Keep(name, drawing_);
  } else if (TRepresentationForm* form = RepresentationForm(name)) {
    auto* window = new RepresentationWindow(wb_, *form);
    QPointer<RepresentationWindow> held(window);
    platform_.RegisterWindow(name, {[held] {
                                      if (held) held->ShowFromModel();
                                    },
                                    [held] {
                                      if (held) held->hide();
                                    }});
    Keep(name, window);
  } else {
    // A plot window whose contents come later: its caption only, hidden until a routine shows it.
    const bool weights = name == "Wfr";
    Keep(name, new PlaceholderWindow(Q(name), Q(w.Caption), weights ? 817 : 640, weights ? 637 : 480));
  }
}

TRepresentationForm* ProgramWindows::RepresentationForm(const std::string& name) {
  if (name == "HRF") return &wb_.HRF;
  if (name == "ORF") return &wb_.ORF;
  if (name == "HPF") return &wb_.HPF;
  if (name == "OPF") return &wb_.OPF;
  return nullptr;
}

QWidget* ProgramWindows::MakeViewer() {
  // The viewer's state is made by the shell; a window shown without it gets a fresh one.
  if (!wb_.Przegladaj) {
    wb_.Przegladaj = std::make_shared<TPrzegladaj>();
    wb_.ViewerFormExists = true;
  }
  auto* viewer = new ViewerWindow(wb_, wb_.Przegladaj);
  Keep("Przegladaj", viewer);
  return viewer;
}

void ProgramWindows::ShowMainWindow() {
  if (!main_) return;
  main_->ApplyStartLayout();
  main_->show();
  KeepOnScreenSoon(main_);
  main_->PlaceOnTopAtStart();
  // The stay-on-top window, shown while the windows were made, stays above the main window.
  if (onTop_ && onTop_->isVisible()) onTop_->raise();
}

bool ProgramWindows::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    const std::string name = watched->objectName().toStdString();
    if (name == "Form1") {
      MainFormActivate(wb_);
    } else {
      TopFormWindowActivated(wb_, name);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace wl
