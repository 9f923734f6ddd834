#pragma once
// The one QApplication of the gui test program: made before the first test, ended after the last.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <memory>

namespace wl::test {

class QtTestEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    app_ = std::make_unique<QApplication>(argc_, argv_);
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override { app_.reset(); }

 private:
  static inline char name_[] = "gui_tests";
  static inline char* argv_[] = {name_, nullptr};
  static inline int argc_ = 1;
  std::unique_ptr<QApplication> app_;
};

inline testing::Environment* const qtTestEnvironment = testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace wl::test
