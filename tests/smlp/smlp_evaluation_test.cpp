// EvaluateNetwork of the plain SMLP keeps each vector's coding between calls: its results must be those of
// the per-vector forward pass, also after the data, the mask or the features changed between two calls.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "smlp/smlp_network.h"
#include "support/test_support.h"

namespace wl {
namespace {

class SmlpEvaluationTest : public test::ProgramDirTest {
 protected:
  void SetUp() override {
    MakeProgramDir("wl_smlpeval_", {"results"});
    // Three symbolic features of 3, 2 and 4 values, three classes, 30 vectors.
    Build({3, 2, 4}, 3, 2, 30);
  }

  // A data set of features with the given value counts (values 1, 2, ...), `classes` classes and
  // `vectors` vectors drawn from the generator, and an SMLP of `perClass` hidden units per class with
  // hidden input weights of -1, 0 and 1.
  void Build(const std::vector<int>& values, int classes, int perClass, int vectors) {
    const int nf = static_cast<int>(values.size());
    wb->Features.clear();
    for (int f = 0; f < nf; ++f) {
      TFeature feat;
      feat.Kind = 's';
      feat.Name = "f";
      feat.Name += std::to_string(f);
      feat.NValues = values[f];
      for (int k = 0; k < values[f]; ++k) {
        feat.Values.push_back(k + 1);
        feat.Symbols.push_back(std::string(1, static_cast<char>('a' + k)));
      }
      wb->Features.push_back(feat);
    }
    wb->NumOfFeatures = nf;
    wb->NumOfClasses = classes;
    wb->NumOfVectors = vectors;
    wb->FeatureMask.clear();
    wb->Data.clear();
    wb->VectorClass.clear();
    wb->Rng.Seed = 5;
    for (int v = 0; v < vectors; ++v) {
      std::vector<double> row;
      for (int f = 0; f < nf; ++f) row.push_back(1.0 + wb->Rng.Below(values[f]));
      wb->Data.push_back(row);
      wb->VectorClass.push_back(wb->Rng.Below(classes));
    }
    wb->VectorWeight.assign(static_cast<std::size_t>(vectors), 1.0);
    wb->ResultsPrefix = (dir / "results" / "set_1").string();
    wb->HidPerOut.assign(static_cast<std::size_t>(classes), perClass);
    wb->HidBias = 0.5;
    wb->OutBias = 0.5;
    wb->Slope = 0.0;
    wb->ErrorExponent = 2.0;
    wb->SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
    ASSERT_TRUE(InitSMLPWeights(*wb));
    wb->NetType = 3;
    wb->NetKind = 1;
    for (TNeuron& n : wb->Net[1])
      for (int i = 0; i < wb->Layers[0]; ++i) n.Weights[i] = 1.0 - wb->Rng.Below(3);
  }

  // The evaluation by the per-vector forward pass, with its signals after the last vector.
  struct Expected {
    double Error = 0.0, Rate = 0.0;
    std::vector<std::uint8_t> Correct;
    std::vector<int> PerClass;
    std::vector<std::vector<double>> Signals;
  };
  Expected ByForwardPass() {
    Expected x;
    const int classes = wb->NumOfClasses;
    x.PerClass.assign(static_cast<std::size_t>(classes), 0);
    int correct = 0;
    for (int v = 0; v < wb->NumOfVectors; ++v) {
      ForwardSMLP(*wb, v);
      std::vector<double> y(static_cast<std::size_t>(classes));
      for (int o = 0; o < classes; ++o) {
        y[o] = wb->Net[2][o].Signal;
        const double d = std::fabs(y[o] - (o == wb->VectorClass[v] ? 1.0 : 0.0));
        x.Error += d == 0.0 ? 0.0 : std::pow(d, wb->ErrorExponent);
      }
      const bool right = StepPrediction(y.data(), classes) == wb->VectorClass[v];
      x.Correct.push_back(right ? 1 : 0);
      if (right) ++correct, ++x.PerClass[wb->VectorClass[v]];
    }
    x.Rate = static_cast<double>(correct) / wb->NumOfVectors;
    for (const auto& layer : wb->Net) {
      x.Signals.emplace_back();
      for (const TNeuron& n : layer) x.Signals.back().push_back(n.Signal);
    }
    return x;
  }

  void ExpectSame(const char* what) {
    SCOPED_TRACE(what);
    const Expected x = ByForwardPass();
    for (auto& layer : wb->Net)
      for (TNeuron& n : layer) n.Signal = -7.0;
    const double e = EvaluateNetwork(*wb);
    EXPECT_NEAR(e, x.Error, 1e-12 * (1.0 + x.Error));
    if (wb->ErrorExponent == 2.0) {
      EXPECT_EQ(e, x.Error);
    }
    EXPECT_EQ(wb->SuccessRate, x.Rate);
    EXPECT_EQ(wb->VectorCorrect, x.Correct);
    EXPECT_EQ(wb->ClassCorrectCount, x.PerClass);
    for (std::size_t l = 0; l < wb->Net.size(); ++l)
      for (std::size_t j = 0; j < wb->Net[l].size(); ++j) EXPECT_EQ(wb->Net[l][j].Signal, x.Signals[l][j]) << l << "." << j;
  }
};

TEST_F(SmlpEvaluationTest, TheKeptCodingFollowsEveryChangeBetweenCalls) {
  ExpectSame("first call");
  ExpectSame("second call, the coding kept");
  wb->Data[4][0] = wb->Data[4][0] == 1.0 ? 2.0 : 1.0;
  wb->Data[29][2] = 4.0;
  ExpectSame("two values changed to other listed values");
  wb->Data[7][1] = 9.0;
  ExpectSame("a value that is not listed");
  wb->Data[7][1] = 2.0;
  ExpectSame("listed again");
  wb->FeatureMask = {1, 0, 1};
  ExpectSame("feature 1 masked");
  wb->FeatureMask = {0, 1};
  ExpectSame("a mask of another data set counts as all features");
  std::swap(wb->Features[2].Values[0], wb->Features[2].Values[3]);
  ExpectSame("the values of feature 2 listed in another order");
  wb->Data.pop_back();
  wb->VectorClass.pop_back();
  wb->NumOfVectors = 29;
  ExpectSame("one vector fewer");
  wb->ErrorExponent = 1.5;
  ExpectSame("error exponent 1.5");
  wb->Slope = 1.0;
  ExpectSame("logistic units");
  wb->Slope = 0.0;
  wb->Features[0].Values[2] = wb->Features[0].Values[0];
  ExpectSame("a value listed twice (two hot inputs)");
  wb->Features[0].Values[2] = 3.0;
  ExpectSame("listed once again");
}

// The kept coding across changes of the listing that keep the input width, of the data set as a whole and
// of the network: each call's result is the fresh one.
TEST_F(SmlpEvaluationTest, TheKeptCodingFollowsTheListingTheDataSetAndTheNetwork) {
  ExpectSame("first call");
  // Feature 0 lists two values and feature 1 three: the inputs of feature 1 start one earlier.
  wb->Features[0].NValues = 2;
  wb->Features[0].Values.pop_back();
  wb->Features[1].NValues = 3;
  wb->Features[1].Values.push_back(3.0);
  ExpectSame("value counts moved between features");
  wb->Features[1].Values[2] = 1.0;
  wb->Features[1].Values[0] = 3.0;
  ExpectSame("a listed value changed in place");
  wb->Features[2].NValues = 3;  // the fourth value is still stored but no longer listed
  wb->Features[1].NValues = 4;
  wb->Features[1].Values.push_back(7.0);
  ExpectSame("a value dropped from the count only");
  wb->Data[3][2] = std::nan("");
  ExpectSame("a value that is not a number");
  for (int v = 0; v < wb->NumOfVectors; ++v)
    wb->Data[v] = {1.0 + wb->Rng.Below(3), 1.0 + wb->Rng.Below(4), 1.0 + wb->Rng.Below(4)};
  ExpectSame("every row replaced");
  for (TNeuron& n : wb->Net[1]) n.Weights[3] = 1.0 - wb->Rng.Below(3);
  wb->Net[2][1].Weights[2] = -0.5;
  ExpectSame("weights changed");
  wb->HidPerOut.assign(3, 3);
  wb->Features[1].Values.resize(4);
  ASSERT_TRUE(InitSMLPWeights(*wb));
  wb->NetType = 3;
  for (TNeuron& n : wb->Net[1])
    for (int i = 0; i < wb->Layers[0]; ++i) n.Weights[i] = 1.0 - wb->Rng.Below(3);
  ExpectSame("the network built anew with three hidden units per class");
  wb->Features[0].NValues = 3;
  EXPECT_THROW(EvaluateNetwork(*wb), WlError) << "an input width the network does not have";
}

// The kept coding and the copy of the weights made for a mask across a pass that stopped half way, rows
// swapped or reallocated, classes changed in place and weights changed while a feature is masked.
TEST_F(SmlpEvaluationTest, TheKeptCodingFollowsAnInterruptedPassAndEveryWriterOfTheRows) {
  ExpectSame("first call");
  // Another listing codes every vector anew; the pass stops at a short row, after vector 9.
  std::swap(wb->Features[2].Values[0], wb->Features[2].Values[2]);
  const std::vector<double> row10 = wb->Data[10];
  wb->Data[10].resize(1);
  EXPECT_THROW(EvaluateNetwork(*wb), WlError) << "a row shorter than the features";
  wb->Data[10] = row10;
  ExpectSame("after the pass that stopped: the vectors it never reached coded anew");
  std::swap(wb->Data[0], wb->Data[29]);
  std::swap(wb->VectorClass[0], wb->VectorClass[29]);
  ExpectSame("two rows swapped");
  wb->Data[12] = std::vector<double>{wb->Data[12][0], wb->Data[12][1], 4.0, 7.0};
  ExpectSame("a row reallocated, longer");
  wb->VectorClass[3] = (wb->VectorClass[3] + 1) % 3;
  ExpectSame("a class changed in place");
  const int cls = wb->VectorClass[5];
  wb->VectorClass[5] = 3;
  EXPECT_THROW(EvaluateNetwork(*wb), WlError) << "a class the network has no output for";
  wb->VectorClass[5] = cls;
  wb->FeatureMask = {1, 1, 0};
  ExpectSame("feature 2 masked");
  for (TNeuron& n : wb->Net[1]) n.Weights[0] = 1.0 - wb->Rng.Below(3);
  wb->Net[1][1].Weights = std::vector<double>(wb->Net[1][1].Weights.size(), 1.0);
  ExpectSame("weights changed and a row reallocated, feature 2 still masked");
  wb->FeatureMask = {0, 1, 1};
  ExpectSame("feature 0 masked instead");
  wb->FeatureMask = {1, 1, 1};
  ExpectSame("no feature masked");
  // A few vectors go unit by unit, as do classes with fewer hidden units than class 0.
  wb->NumOfVectors = 8;
  ExpectSame("eight vectors");
  wb->FeatureMask = {1, 0, 1};
  ExpectSame("eight vectors, feature 1 masked");
  wb->NumOfVectors = 30;
  wb->HidPerOut = {2, 2, 1};
  ExpectSame("class 2 with one hidden unit");
}

// Few vectors go unit by unit, with the counts of features and terms of small networks fixed at compile
// time: every such shape, a vector with fewer hot inputs than features, outputs with fewer terms than
// class 0, a weight that is not a number, a mask, logistic units and another exponent.
TEST_F(SmlpEvaluationTest, FewVectorsOfEveryShapeAgreeWithTheForwardPass) {
  struct Case {
    const char* what;
    std::vector<int> values;
    int classes, perClass, vectors;
  };
  const Case cases[] = {
      {"one feature, one term", {3}, 2, 1, 5},
      {"two features, two terms", {2, 2}, 2, 2, 4},
      {"three features, three terms, an odd hidden count", {3, 2, 4}, 3, 3, 3},
      {"four features, four terms", {2, 3, 2, 2}, 2, 4, 6},
      {"five features, five terms", {2, 2, 3, 2, 2}, 2, 5, 5},
      {"one class", {3, 3}, 1, 2, 8},
      {"three classes of one term", {2, 4}, 3, 1, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Build(c.values, c.classes, c.perClass, c.vectors);
    ExpectSame("as built");
    wb->Data[1][0] = 9.0;
    ExpectSame("a value that is not listed");
    if (c.perClass > 1 && c.classes > 1) {
      wb->HidPerOut.back() = c.perClass - 1;
      ExpectSame("the last class with a term fewer");
      wb->HidPerOut.back() = c.perClass;
    }
    const double weight = wb->Net[1][0].Weights[0];
    wb->Net[1][0].Weights[0] = std::nan("");
    wb->Net[2][0].Weights[0] = -0.5;
    ExpectSame("a weight that is not a number");
    wb->Net[1][0].Weights[0] = weight;
    if (c.values.size() > 1) {
      wb->FeatureMask.assign(c.values.size(), 1);
      wb->FeatureMask[1] = 0;
      ExpectSame("feature 1 masked");
      wb->FeatureMask.clear();
    }
    wb->Slope = 1.0;
    ExpectSame("logistic units");
    wb->Slope = 0.0;
    wb->ErrorExponent = 1.5;
    ExpectSame("error exponent 1.5");
  }
}

}  // namespace
}  // namespace wl
