#pragma once
// The one Qt application of a test program: made before the first test, ended after the last. A program
// linked with Qt Widgets (the gui tests) gets a QApplication; the others a QGuiApplication (fonts and
// images need it), offscreen unless the environment names a platform, so that no display is needed.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <memory>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#else
#include <QGuiApplication>
#endif

namespace wl::test {

class QtAppEnvironment : public testing::Environment {
 public:
#ifdef QT_WIDGETS_LIB
  using App = QApplication;
  static constexpr bool kForceOffscreen = false;
  static inline char name_[] = "gui_tests";
#else
  using App = QGuiApplication;
  static constexpr bool kForceOffscreen = true;
  static inline char name_[] = "analysis_tests";
#endif

  void SetUp() override {
    if (kForceOffscreen) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<App>(argc_, argv_);
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override { app_.reset(); }

 private:
  static inline char* argv_[] = {name_, nullptr};
  static inline int argc_ = 1;
  std::unique_ptr<App> app_;
};

inline testing::Environment* const qtAppEnvironment = testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace wl::test
