// The hooks table: every program that links the shell starts with every upward call wired.
#include <gtest/gtest.h>

#include "platform/scripted_platform.h"
#include "state/hooks.h"
#include "state/workbench.h"

namespace wl {
namespace {

TEST(HooksTest, EveryEntryIsWiredBeforeTheFirstWorkbench) {
  ScriptedPlatform plat;
  Workbench wb(plat, "/nonexistent/weightlab");
  const HooksTable& h = wb.Hooks;
  EXPECT_NE(h.RunPrepared, nullptr);
  EXPECT_NE(h.EpochDone, nullptr);
  EXPECT_NE(h.DetailPoint, nullptr);
  EXPECT_NE(h.RunEnded, nullptr);
  EXPECT_NE(h.WeightMatrixExport, nullptr);
  EXPECT_NE(h.RepresentationHook, nullptr);
  EXPECT_NE(h.DrawESSections, nullptr);
  EXPECT_NE(h.PlotVContraDW, nullptr);
  EXPECT_NE(h.CreateSMLPNetwork, nullptr);
  EXPECT_NE(h.EvaluateNetwork, nullptr);
  EXPECT_NE(h.ForwardStepNetwork, nullptr);
  EXPECT_NE(h.RunSMLP, nullptr);
  EXPECT_NE(h.CreateFiveLayerNet, nullptr);
  EXPECT_NE(h.SignFirstLayerWeights, nullptr);
  EXPECT_NE(h.DiscretizeContinuousFeatures, nullptr);
  EXPECT_NE(h.WriteResultFile, nullptr);
  EXPECT_NE(h.WriteVectorListing, nullptr);
  EXPECT_NE(h.StepCVRunStart, nullptr);
  EXPECT_NE(h.StepCVTrain, nullptr);
  EXPECT_NE(h.StepCVTest, nullptr);
  // Each Workbench has its own copy: a test may replace an entry without touching the others.
  wb.Hooks.RunEnded = nullptr;
  Workbench other(plat, "/nonexistent/weightlab");
  EXPECT_NE(other.Hooks.RunEnded, nullptr);
}

}  // namespace
}  // namespace wl
