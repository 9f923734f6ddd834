// The evaluation options read once: the plain evaluator forms follow the controls as they are at the
// call (also after a change between two calls), and a bad number stops only the evaluation that uses it.
#include "model/eval_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/error_functions.h"
#include "model/layer_transfer.h"
#include "platform/errors.h"
#include "platform/scripted_platform.h"
#include "state/workbench.h"
#include "support/test_support.h"

namespace wl {
namespace {

// Four vectors of two classes and a 2-3-2 network of sigmoids.
void SmallProblem(Workbench& wb) {
  wb.ErrorExponent = 2.0;
  wb.SetOff = 0.0;
  wb.Stretch = 1.0;
  wb.Slope = 1.0;
  for (TTransferFunction& tf : wb.LayerTF) tf.TFKind = 1;
  test::SetContinuousRows(wb, {{1.0, -0.5}, {0.2, 0.8}, {-1.0, 1.0}, {0.4, 0.4}});
  wb.NumOfClasses = 2;
  wb.VectorClass = {0, 1, 1, 0};
  wb.VectorWeight = {1.0, 2.0, 0.5, 1.0};
  test::SetNetwork(wb, {2, 3, 2},
                   {{{0.5, -1.0, 0.25}, {1.0, 1.0, -0.5}, {0.3, 0.2, 0.1}},
                    {{1.0, -1.0, 0.5, 0.2}, {-0.5, 0.5, 1.0, -0.1}}});
  wb.Epoch = 3;
}

// The error and the success rate of the plain form, and of the options read afresh.
std::pair<double, double> Plain(Workbench& wb) {
  const double e = TrainingSetError(wb);
  return {e, wb.SuccessRate};
}
std::pair<double, double> Fresh(Workbench& wb) {
  const double e = TrainingSetError(wb, ReadEvalOptions(wb));
  return {e, wb.SuccessRate};
}

class EvalOptionsTest : public ::testing::Test {
 protected:
  ScriptedPlatform plat;
  Workbench wb{plat, "/nonexistent/weightlab"};
  void SetUp() override { SmallProblem(wb); }
};

TEST_F(EvalOptionsTest, PlainFormsFollowAControlChangedBetweenCalls) {
  struct Case {
    const char* what;
    std::function<void(TForm1&)> change;
  };
  const std::vector<Case> cases = {
      {"push weights from 0", [](TForm1& f) { f.WymEdit.SetText("0.5"); }},
      {"cross-entropy", [](TForm1& f) { f.entrBox.SetChecked(true); }},
      {"default class", [](TForm1& f) { f.DefClassBox.SetChecked(true); }},
      {"weighted error", [](TForm1& f) { f.WeightedErrorBox.SetChecked(true); }},
  };
  for (const Case& c : cases) {
    ScriptedPlatform p;
    Workbench w(p, "/nonexistent/weightlab");
    SmallProblem(w);
    const auto before = Plain(w);
    c.change(w.Form1);
    const auto after = Plain(w);
    EXPECT_EQ(after, Fresh(w)) << c.what;
    EXPECT_NE(after, before) << c.what;
  }
  // The structure buttons choose the pass of ComputeError; a skip network does not fit the standard one.
  wb.Form1.SkipCheck.SetChecked(true);
  EXPECT_THROW(ComputeError(wb), WlError);
  wb.Form1.FullConn.SetChecked(true);
  EXPECT_NO_THROW(ComputeError(wb));
}

TEST_F(EvalOptionsTest, ABadNumberStopsOnlyTheEvaluationThatUsesIt) {
  wb.Form1.StartWEdit.SetText("x");
  wb.Form1.pmwEdit.SetText("y");
  EXPECT_NO_THROW(TrainingSetError(wb));  // no integer-weights term: neither field is read
  wb.IntegerW = 1.0;
  for (int call = 0; call < 2; ++call) EXPECT_THROW(TrainingSetError(wb), ConvertError) << "call " << call;
  wb.Form1.StartWEdit.SetText("5");  // epoch 3 is before the start: m is not read
  EXPECT_NO_THROW(TrainingSetError(wb));
  wb.Form1.WymEdit.SetText("z");
  EXPECT_THROW(TrainingSetError(wb), ConvertError);
  try {
    TrainingSetError(wb);
  } catch (const ConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("'z'"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace wl
