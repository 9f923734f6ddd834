#pragma once
// The one QGuiApplication of the analysis test program (fonts need it): made before the first test,
// ended after the last. Offscreen, so no display is needed.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <clocale>
#include <cstdlib>
#include <memory>

namespace wl::test {

class GuiAppEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override { app_.reset(); }

 private:
  static inline char name_[] = "analysis_tests";
  static inline char* argv_[] = {name_, nullptr};
  static inline int argc_ = 1;
  std::unique_ptr<QGuiApplication> app_;
};

inline testing::Environment* const guiAppEnvironment = testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

}  // namespace wl::test
