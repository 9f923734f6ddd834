#include "smlp/genetic_algorithm.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "model/read_parameters.h"
#include "model/run_status.h"
#include "platform/errors.h"
#include "platform/field_reads.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/rounding.h"
#include "smlp/nofm_five_layer.h"
#include "smlp/smlp_network.h"
#include "state/hooks.h"
#include "state/workbench.h"

namespace wl {

namespace {

const char* const kNoDataSet = "No data set has been opened yet. Open a data set first (Open -> Open Training Set).";

void OpenLog(GARun& run) {
  run.Log.open(run.LogName, std::ios::binary | std::ios::trunc);
  if (!run.Log) throw FileError("Cannot write file " + run.LogName);
}

// Bits per group of the five-layer chromosome: the value weights of the group's feature units of one
// class, NumOfFeatures AND/N-of-M choices and NumOfFeatures - 1 threshold bits.
int FiveLayerGroupBits(const Workbench& wb) {
  int bits = 2 * wb.NumOfFeatures - 1;
  for (int f = 0; f < wb.NumOfFeatures; ++f) bits += wb.Features[f].NValues;
  return bits;
}

int Draw(Workbench& wb, int n) { return wb.Rng.Below(n); }

}  // namespace

void GARun::WriteLog(const std::string& line) {
  Log << line << '\n';
  if (!Log) throw FileError("Cannot write file " + LogName);
}

int GAMutationCount(double ratePercent, int population) {
  return static_cast<int>(Round(ratePercent * 0.01 * population));
}

bool GAStartSMLP(Workbench& wb, GARun& run) {
  run.R = 4;
  run.C = 4;
  wb.SMLPOutWeights = {1.0, 1.0, 1.0, 1.0};
  const int classes = wb.NumOfClasses;
  int l0 = 0;
  for (const TFeature& f : wb.Features) l0 += f.NValues;
  const bool twoPerClass = classes == 2 && wb.HidPerOut.size() >= 2 && wb.HidPerOut[0] == 2 && wb.HidPerOut[1] == 2;
  if (l0 != 4 || !twoPerClass) {
    std::string hidden;
    for (int c = 0; c < classes && c < static_cast<int>(wb.HidPerOut.size()); ++c)
      hidden += (c > 0 ? ", " : "") + IntToStr(wb.HidPerOut[c]);
    wb.Plat.ShowMessage("The genetic algorithm evolves a network of 4 inputs and 4 hidden neurons, 2 for each of 2 "
                        "classes: the data set gives " + IntToStr(l0) + " inputs and " + IntToStr(classes) +
                        " classes, and the hidden neurons per class are " + hidden + ".");
    return false;
  }
  // The network is a plain step SMLP whatever ran before: the three-layer pass, the SMLP tab's unit kind,
  // and every feature seen when the mask belongs to another data set.
  wb.NetType = 3;
  wb.LUnitsMode = 0;
  wb.Slope = wb.Form1.stepSMLPButton.Checked() ? 0.0 : 1.0;
  wb.SingleClassNet = false;
  if (wb.FeatureMask.size() != static_cast<std::size_t>(wb.NumOfFeatures))
    wb.FeatureMask.assign(static_cast<std::size_t>(wb.NumOfFeatures), 1);
  wb.FeatureValueCount.resize(static_cast<std::size_t>(wb.NumOfFeatures));
  for (int f = 0; f < wb.NumOfFeatures; ++f) wb.FeatureValueCount[f] = wb.Features[f].NValues;

  const int hidden = wb.HidPerOut[0] + wb.HidPerOut[1];
  wb.NumOfLayers = 3;
  wb.Layers = {l0, hidden, classes};
  wb.Net.assign(3, {});
  wb.Net[0].assign(static_cast<std::size_t>(l0), TNeuron{});
  for (TNeuron& n : wb.Net[0]) n.Weights.assign(1, 1.0);
  wb.Net[1].assign(static_cast<std::size_t>(hidden), TNeuron{});
  wb.Net[2].assign(static_cast<std::size_t>(classes), TNeuron{});
  for (int l = 1; l < 3; ++l)
    for (TNeuron& n : wb.Net[l]) {
      const std::size_t count = static_cast<std::size_t>(l == 1 ? l0 : wb.HidPerOut[0]) + 1;
      n.Weights.assign(count, 0.0);
      n.OldWeights.assign(count, 0.0);
    }
  for (int i = 1; i <= 12; ++i) wb.ParamText[static_cast<std::size_t>(i)].clear();
  wb.ParamText[7] = "SMLP + Genetic Algorithms";
  wb.ParamText[1] = "Initial   weights = 0, hid.bias = " + wb.Form1.HidBEdit.Text() + "  out.bias = " + wb.Form1.OutBEdit.Text();

  for (TNeuron& n : wb.Net[1]) {
    for (int i = 0; i < l0; ++i) n.Weights[i] = static_cast<double>(1 - Draw(wb, 2));
    n.Weights[l0] = 1.5;
  }
  for (int c = 0; c < classes; ++c) {
    TNeuron& n = wb.Net[2][c];
    for (int k = 0; k < wb.HidPerOut[c]; ++k) n.Weights[k] = SMLPOutWeight(wb, k);
    n.Weights[2] = 0.5;
  }
  wb.LayerInputs = {l0, wb.HidPerOut[0], 0, 0};
  wb.NumOfWeights = hidden * (l0 + 1) + classes * (wb.HidPerOut[0] + 1);
  ++wb.SMLPBuilds;
  run.L = wb.Layers[1] * (wb.Layers[0] + 1);
  return true;
}

void GAInitPopulation(Workbench& wb, GARun& run, std::uint8_t mode) {
  const std::size_t size = static_cast<std::size_t>(run.P) * static_cast<std::size_t>(run.L);
  run.Roulette.assign(static_cast<std::size_t>(run.P) * 100, 0);
  run.Filled = 0;
  run.Population.assign(size, 0);
  const bool rows = mode != 1 && run.R > 0 && run.C > 0;
  for (int p = 0; p < run.P; ++p) {
    std::uint8_t* bits = run.Individual(p);
    if (!rows) {
      for (int b = 0; b < run.L; ++b) bits[b] = static_cast<std::uint8_t>(1 - Draw(wb, 2));
      continue;
    }
    for (int r = 0; r < run.R; ++r)
      for (int c = 0; c < run.C; ++c) {
        const int b = r * (run.C + 1) + c;
        if (b < run.L) bits[b] = static_cast<std::uint8_t>(1 - Draw(wb, 2));
      }
  }
  run.Next = run.Population;
}

void GADecodeSMLP(Workbench& wb, GARun& run, int p) {
  const std::uint8_t* bits = run.Individual(p);
  for (int r = 0; r < run.R; ++r) {
    TNeuron& n = wb.Net[1][static_cast<std::size_t>(r)];
    for (int c = 0; c <= run.C; ++c) n.Weights[static_cast<std::size_t>(c)] = bits[r * (run.C + 1) + c];
  }
}

void GADecodeNofM(Workbench& wb, GARun& run, int p) {
  const std::uint8_t* bits = run.Individual(p);
  const int k = wb.NumOfClasses;
  const int nf = wb.NumOfFeatures;
  const int groups = wb.HidPerOut[0];
  int pos = 0;
  for (int g = 0; g < groups; ++g) {
    const int u = g * k;
    for (int f = 0; f < nf; ++f) {
      TNeuron& fu = wb.Net[1][static_cast<std::size_t>(u * nf + f)];
      for (int v = 0; v < wb.Features[f].NValues; ++v) fu.Weights[v] = bits[pos++];
    }
    TNeuron& nofm = wb.NofMUnits[u];
    TNeuron& andUnit = wb.AndUnits[u];
    int ones = 0;
    for (int f = nf - 1; f >= 0; --f) {
      const int b = bits[pos++];
      nofm.Weights[f] = b;
      andUnit.Weights[f] = 1 - b;
      ones += 1 - b;
    }
    andUnit.Weights[nf] = ones - 0.5;
    int sum = 0;
    for (int i = 0; i < nf - 1; ++i) sum += bits[pos++];
    nofm.Weights[nf] = sum - 0.5;
  }
}

void GAFitnessSMLP(Workbench& wb, GARun& run) {
  run.Filled = 0;
  for (int p = 0; p < run.P; ++p) {
    GADecodeSMLP(wb, run, p);
    run.ER = EvaluateNetwork(wb);
    if (run.ER < 0.2) return;  // solved: the network keeps this individual
    if (run.ER > 5.0) run.ER = 5.0;
    const int n = static_cast<int>(Round((5.0 - run.ER) * (5.0 - run.ER)));
    std::fill_n(run.Roulette.begin() + run.Filled, n, p);
    run.Filled += n;
    run.WriteLog("nr=" + IntToStr(p) + "  fitness=" + IntToStr(n) + "   ER=" + FloatToStr(run.ER));
  }
  std::string slots;
  for (int s = 0; s < run.Filled; ++s) slots += IntToStr(run.Roulette[s]) + " ";
  run.WriteLog(slots);
}

void GAFitnessNofM(Workbench& wb, GARun& run) {
  run.Filled = 0;
  const double n0 = wb.NumOfVectors;
  std::string line;
  for (int p = 0; p < run.P; ++p) {
    GADecodeNofM(wb, run, p);
    run.ER = FiveLayerError(wb);
    // Networks at or past 0.7 x NumOfVectors get no slot: the square would make the worse ones fitter.
    std::int64_t n = 0;
    if (run.ER < 0.7 * n0) {
      const double x = (0.7 * n0 - run.ER) * 14.0 / n0;
      n = std::clamp<std::int64_t>(Round(x * x), 0, 99);
    }
    std::fill_n(run.Roulette.begin() + run.Filled, n, p);
    run.Filled += static_cast<int>(n);
    line = "nr=" + IntToStr(p) + "  f=" + IntToStr(n) + "   ER=" + IntToStr(Round(run.ER)) + "  ";
    const std::uint8_t* bits = run.Individual(p);
    for (int b = 0; b < run.L; ++b) {
      line += static_cast<char>('0' + bits[b]);
      line += ' ';
    }
    run.WriteLog(line);
  }
  run.WriteLog(std::string(55, '*'));
}

void GAMutate(Workbench& wb, GARun& run, int flips) {
  for (int m = 0; m < flips; ++m) {
    const int i = Draw(wb, run.P);
    const int b = Draw(wb, run.L);
    run.WriteLog(IntToStr(i) + " " + IntToStr(b));
    std::uint8_t& bit = run.Individual(i)[b];
    bit = static_cast<std::uint8_t>(1 - bit);
  }
}

void GACrossover(Workbench& wb, GARun& run) {
  // An empty wheel (every fitness 0) has no slots to draw from: the parents come from the whole population.
  auto parent = [&] { return run.Filled > 0 ? run.Roulette[static_cast<std::size_t>(Draw(wb, run.Filled))] : Draw(wb, run.P); };
  const int a = parent();
  const int b = parent();
  const int d = Draw(wb, run.L + 1);
  std::uint8_t* na = run.NextIndividual(a);
  std::uint8_t* nb = run.NextIndividual(b);
  std::copy_n(run.Individual(a), run.L, na);
  std::copy_n(run.Individual(b), run.L, nb);
  if (d < run.L && a != b) std::swap_ranges(na + d, na + run.L, nb + d);
  run.WriteLog("selected numbers  " + IntToStr(a) + "  " + IntToStr(b) + "   devision_point " + IntToStr(d));
}

void GANextGeneration(GARun& run) { std::copy(run.Next.begin(), run.Next.end(), run.Population.begin()); }

std::string GAFieldsRefusal(const TForm1& form) {
  // In the run's order: the population converted and checked, then the mutation rate converted.
  const std::string population = Trim(form.PopEdit.Text());
  if (std::string m = FirstUnreadable({{population, ReadAs::Int}}); !m.empty()) return m;
  if (StrToInt(population) < 1) return "Population must be at least 1";
  return FirstUnreadable({{Trim(form.MutEdit.Text()), ReadAs::Float}});
}

void RunGeneticAlgorithm(Workbench& wb, std::uint8_t mode) {
  if (mode != 1 && mode != 5) return;
  if (wb.ResultsPrefix.empty() || wb.NumOfVectors <= 0 || wb.NumOfFeatures <= 0) {
    wb.Plat.ShowMessage(kNoDataSet);
    return;
  }
  GARun run;
  run.LogName = wb.ResultsPrefix + "_GA.txt";
  EnsureDirectory(std::filesystem::path(run.LogName).parent_path().string());
  OpenLog(run);
  run.WriteLog("f0.v0 f0.v1 f1.v0 f1.v0    NofM.Weights    NofM.bias");

  // Mode 5 keeps the unit kind its SMLP run chose and the shape of its network; the parameters read here
  // do not change them.
  const double slope = wb.Slope;
  const int layers = wb.NumOfLayers;
  if (ReadParameters(wb)) return;
  if (const std::string refusal = GAFieldsRefusal(wb.Form1); !refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return;
  }
  if (mode == 5) {
    wb.Slope = slope;
    wb.NumOfLayers = layers;
  }
  HourglassGuard hourglass(wb.Plat);
  // Run from the menu it is a run of its own; in an N-of-M run it is that run's last stage.
  if (mode == 1) StartRunStatus(wb);
  ShowRunMethod(wb, "Genetic Alg.");
  if (mode == 1) {
    if (!GAStartSMLP(wb, run)) return;
  } else {
    RequireFiveLayerNet(wb);
    run.L = wb.GALength;
    run.R = wb.GARows;
    run.C = wb.GAColumns;
    if (run.L != wb.HidPerOut[0] * FiveLayerGroupBits(wb))
      throw WlError("The five-layer N-of-M network does not fit the data set. Run \"N of M 5\" again.");
  }
  run.P = StrToInt(Trim(wb.Form1.PopEdit.Text()));
  if (run.P < 1) {
    wb.Plat.ShowMessage("Population must be at least 1");
    return;
  }
  const int flips = GAMutationCount(StrToFloat(Trim(wb.Form1.MutEdit.Text())), run.P);
  wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
  GAInitPopulation(wb, run, mode);

  for (int g = 1; g <= wb.NumOfEpochs; ++g) {
    wb.Form1.ep.SetText(IntToStr(g));
    wb.Form1.ep.Repaint();
    wb.Plat.ProcessEvents();
    if (g % 50 == 0) OpenLog(run);  // the log keeps the last 50 generations at most
    if (mode == 1)
      GAFitnessSMLP(wb, run);
    else
      GAFitnessNofM(wb, run);
    GAMutate(wb, run, flips);
    for (int k = 0; k < run.P; k += 2) {
      GACrossover(wb, run);
      if (run.ER < 0.5) break;
    }
    GANextGeneration(run);
    if (run.ER < 0.5) break;
  }
  CloseWritten(run.Log);
  if (mode != 5) CallWriteResultFile(wb, 1);
}

}  // namespace wl
