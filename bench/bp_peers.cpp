// Backpropagation beside FANN (double precision): online and batch training of iris 4-5-3, the breast-
// cancer set 30-10-2 and the generated 8,124-vector set 125-10-2, like for like: the inputs as WeightLab
// holds them, plain logistic sigmoids (FANN steepness 0.5), the sum-of-squares error (FANN's linear error
// function), no shuffling, no momentum or decay, hidden factors 1, FANN's batch rate eta x N, and the
// same initial weights in both (FANN's bias = -threshold).
//
// Each case first trains one epoch in both and requires the same weights (to 1e-9); then it times
// TrainBP as the program runs it ("No Plot E", records and all) and FANN's epochs, alternately, seven
// times each, and prints the medians' epochs per second and their ratio. For online runs it also gives
// the time of producing the online rows when they are first read, and what writing them during the run
// would cost: the rows written per vector, and a fresh block's zeroing by the system.
//
// Built and run only by scripts/bench. Writes each case's inputs and classes to the output folder for
// the scikit-learn comparison (bench/bp_sklearn.py), and the figures to results.txt there.
//
// Usage: bp_peers SOURCE_DIR OUTPUT_DIR [CASE]   (CASE: run only the cases whose name contains it)
#include <doublefann.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/forward_pass.h"
#include "model/read_parameters.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/scripted_platform.h"
#include "training/backprop.h"
#include "training/prepare_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

struct Case {
  const char* name;
  const char* dataFile;  // "" for the generated set
  int hidden;
  bool online;
  int epochs;  // timed epochs (NumOfEpochs + 1)
  const char* eta;  // a power of two, so that FANN's float rate and its eta x N / N are exact
};

// Epoch counts keep each timed run near a second and the online histories below half a gigabyte.
const Case kCases[] = {
    {"iris 4-5-3", "iris.dat", 5, true, 8000, "0.015625"},
    {"iris 4-5-3", "iris.dat", 5, false, 40000, "0.015625"},
    {"breast-cancer 30-10-2", "breast_cancer.dat", 10, true, 250, "0.015625"},
    {"breast-cancer 30-10-2", "breast_cancer.dat", 10, false, 2000, "0.015625"},
    {"generated 125-10-2", "", 10, true, 4, "0.00390625"},
    {"generated 125-10-2", "", 10, false, 60, "0.00390625"},
};

// A workbench in a program directory of its own, holding the case's data set and a network built on it
// with small random weights (FANN clips the sigmoid's derivative outside 0.01 .. 0.99).
struct Bench {
  std::string dir;
  wl::ScriptedPlatform plat;
  std::unique_ptr<wl::Workbench> wb;

  Bench(const std::string& sourceDir, const Case& c) {
    char tmpl[] = "/tmp/wl_bench_bp_XXXXXX";
    dir = mkdtemp(tmpl);
    fs::create_directories(dir + "/results");
    plat.ProgramDir = dir;
    wb = std::make_unique<wl::Workbench>(plat, dir);
    wl::Workbench& w = *wb;
    if (*c.dataFile) {
      wl::ReadDataFile(w, sourceDir + "/DATA/" + c.dataFile);
    } else {
      wl::bench::MushroomLikeSet(w);
    }
    w.ResultsPrefix = dir + "/results/bench_1";
    wl::TForm1& f = w.Form1;
    f.HiddenEditT2.SetText(std::to_string(c.hidden));
    f.InitEdit.SetText("0.1");
    f.NoGTPBox.SetChecked(true);
    (c.online ? f.OnlineBP : f.BatchBP).SetChecked(true);
    f.BPLearn.SetText(c.eta);
    f.BPmom.SetText("0.0");
    f.LRDBox.SetItemIndex(0);
    for (wl::Edit* m : {&f.MEdit1, &f.MEdit2, &f.MEdit3, &f.MEdit4}) m->SetText("1");
    w.Rng.Seed = 7;
    if (wl::CreateNetwork(w, 4) != wl::NetworkBuilt) throw std::runtime_error("no network for " + std::string(c.name));
  }
  ~Bench() {
    wb.reset();
    fs::remove_all(dir);
  }

  std::vector<double> Weights() const {
    std::vector<double> all;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (const wl::TNeuron& n : wb->Net[l]) all.insert(all.end(), n.Weights.begin(), n.Weights.end());
    return all;
  }
  void SetWeights(const std::vector<double>& all) {
    std::size_t i = 0;
    for (std::size_t l = 1; l < wb->Net.size(); ++l)
      for (wl::TNeuron& n : wb->Net[l])
        for (double& x : n.Weights) x = all[i++];
  }
  // TrainBP over `epochs` epochs from the given weights; seconds.
  double Train(const std::vector<double>& start, int epochs) {
    wb->Form1.EpochEditT2.SetText(std::to_string(epochs - 1));
    if (wl::ReadParameters(*wb)) throw std::runtime_error("bad parameters: " + plat.Messages.back().Text);
    SetWeights(start);
    const auto t0 = Clock::now();
    if (!wl::TrainBP(*wb)) throw std::runtime_error("TrainBP refused the network");
    const double s = Seconds(t0, Clock::now());
    if (!plat.Messages.empty()) throw std::runtime_error(plat.Messages.back().Text);
    return s;
  }
};

// The network's inputs as WeightLab holds them (the input layer of the forward pass) and the classes.
struct Inputs {
  int n0 = 0, outputs = 0;
  std::vector<std::vector<double>> x;
  std::vector<int> cls;
};

Inputs InputsOf(wl::Workbench& wb) {
  Inputs in;
  in.n0 = wb.Layers[0];
  in.outputs = wb.Layers[2];
  for (int v = 0; v < wb.NumOfVectors; ++v) {
    wl::ComputeSignals(wb, v);
    std::vector<double> row;
    for (const wl::TNeuron& n : wb.Net[0]) row.push_back(n.Signal);
    in.x.push_back(row);
    in.cls.push_back(wb.VectorClass[v]);
  }
  return in;
}

void WriteInputs(const Inputs& in, const std::string& path) {
  std::ofstream out(path);
  char buf[40];
  for (std::size_t v = 0; v < in.x.size(); ++v) {
    for (double x : in.x[v]) {
      std::snprintf(buf, sizeof buf, "%.17g,", x);
      out << buf;
    }
    out << in.cls[v] << '\n';
  }
}

// FANN's network of the same shape and weights, and its training data.
struct Fann {
  struct fann* ann = nullptr;
  struct fann_train_data* data = nullptr;
  int n0, n1, n2;

  Fann(const Inputs& in, int hidden, bool online, double eta) : n0(in.n0), n1(hidden), n2(in.outputs) {
    ann = fann_create_standard(3, n0, n1, n2);
    fann_set_activation_function_hidden(ann, FANN_SIGMOID);
    fann_set_activation_function_output(ann, FANN_SIGMOID);
    fann_set_activation_steepness_hidden(ann, 0.5);
    fann_set_activation_steepness_output(ann, 0.5);
    fann_set_train_error_function(ann, FANN_ERRORFUNC_LINEAR);
    fann_set_training_algorithm(ann, online ? FANN_TRAIN_INCREMENTAL : FANN_TRAIN_BATCH);
    fann_set_learning_momentum(ann, 0.0f);
    const double n = static_cast<double>(in.x.size());
    fann_set_learning_rate(ann, static_cast<float>(online ? eta : eta * n));
    data = fann_create_train(static_cast<unsigned>(in.x.size()), n0, n2);
    for (std::size_t v = 0; v < in.x.size(); ++v) {
      for (int k = 0; k < n0; ++k) data->input[v][k] = in.x[v][k];
      for (int j = 0; j < n2; ++j) data->output[v][j] = j == in.cls[v] ? 1.0 : 0.0;
    }
  }
  ~Fann() {
    fann_destroy_train(data);
    fann_destroy(ann);
  }

  // WeightLab's flat weights (thresholds last) to FANN's connections, and back.
  void SetWeights(const std::vector<double>& w) {
    std::vector<fann_connection> con(fann_get_total_connections(ann));
    fann_get_connection_array(ann, con.data());
    for (fann_connection& c : con) c.weight = Our(c.from_neuron, c.to_neuron, w);
    fann_set_weight_array(ann, con.data(), static_cast<unsigned>(con.size()));
  }
  std::vector<double> Weights(std::size_t size) {
    std::vector<fann_connection> con(fann_get_total_connections(ann));
    fann_get_connection_array(ann, con.data());
    std::vector<double> w(size, 0.0);
    for (const fann_connection& c : con) {
      std::size_t i;
      bool bias;
      Index(c.from_neuron, c.to_neuron, i, bias);
      w[i] = bias ? -c.weight : c.weight;
    }
    return w;
  }

 private:
  // Neurons are numbered layer by layer, each layer followed by its bias neuron.
  void Index(unsigned from, unsigned to, std::size_t& i, bool& bias) const {
    const unsigned hiddenFirst = n0 + 1, outFirst = n0 + 1 + n1 + 1;
    if (to < outFirst) {
      const std::size_t j = to - hiddenFirst;
      bias = from == static_cast<unsigned>(n0);
      i = j * (n0 + 1) + (bias ? n0 : from);
    } else {
      const std::size_t j = to - outFirst;
      bias = from == static_cast<unsigned>(n0 + 1 + n1);
      i = static_cast<std::size_t>(n1) * (n0 + 1) + j * (n1 + 1) + (bias ? n1 : from - hiddenFirst);
    }
  }
  double Our(unsigned from, unsigned to, const std::vector<double>& w) const {
    std::size_t i;
    bool bias;
    Index(from, to, i, bias);
    return bias ? -w[i] : w[i];
  }
};

// The online histories of a run: the seconds of writing one row of the weights per vector presented
// into a block already in memory (as a repeated run does), and the seconds of the system handing out and
// zeroing a fresh block of that size (which a first run, or a run of another size, pays on top).
struct HistoryCost {
  double write = 0.0, fresh = 0.0;
};

constexpr int kRepeats = 7;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

HistoryCost HistorySeconds(wl::Workbench& wb, int epochs) {
  const wl::WeightShape shape = wl::WeightShape::Of(wb.Layers, wb.LayerInputs.data(), 3);
  const std::size_t rows = static_cast<std::size_t>(epochs) * static_cast<std::size_t>(wb.NumOfVectors);
  std::vector<double> src(shape.RowSize, 0.5);
  HistoryCost cost;
  wl::WeightRecords<double> records;
  auto t0 = Clock::now();
  records.Resize(rows, shape);
  for (std::size_t r = 0; r < rows; r += 4096 / sizeof(double) / shape.RowSize + 1) records.Row(r)[0] = 1.0;
  cost.fresh = Seconds(t0, Clock::now());
  t0 = Clock::now();
  for (std::size_t r = 0; r < rows; ++r) std::memcpy(records.Row(r).data(), src.data(), shape.RowSize * sizeof(double));
  cost.write = Seconds(t0, Clock::now());
  return cost;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: bp_peers SOURCE_DIR OUTPUT_DIR [CASE]\n");
    return 2;
  }
  const std::string source = argv[1], out = argv[2];
  fs::create_directories(out);
  std::ofstream results(out + "/results.txt");
  std::printf("%-24s %-7s %8s %14s %14s %8s %10s %s\n", "case", "mode", "epochs", "WeightLab ep/s", "FANN ep/s",
              "ratio", "max |dw|", "histories");
  bool allSame = true;
  for (const Case& c : kCases) {
    if (argc == 4 && std::string(c.name).find(argv[3]) == std::string::npos) continue;
    Bench b(source, c);
    const Inputs in = InputsOf(*b.wb);
    const std::string slug = std::string(*c.dataFile ? c.dataFile : "generated.dat");
    WriteInputs(in, out + "/" + slug.substr(0, slug.find('.')) + ".csv");
    const std::vector<double> start = b.Weights();
    const double eta = wl::StrToFloat(c.eta);

    // One epoch in both: the same weights.
    b.Train(start, 1);
    const std::vector<double> ours = b.Weights();
    Fann fann(in, c.hidden, c.online, eta);
    fann.SetWeights(start);
    fann_train_epoch(fann.ann, fann.data);
    const std::vector<double> theirs = fann.Weights(ours.size());
    double diff = 0.0;
    for (std::size_t i = 0; i < ours.size(); ++i) diff = std::max(diff, std::fabs(ours[i] - theirs[i]));
    const bool same = diff <= 1e-9;
    allSame = allSame && same;

    std::vector<double> ourTimes, fannTimes;
    for (int rep = 0; rep < kRepeats; ++rep) {
      ourTimes.push_back(b.Train(start, c.epochs));
      fann.SetWeights(start);
      const auto t0 = Clock::now();
      for (int e = 0; e < c.epochs; ++e) fann_train_epoch(fann.ann, fann.data);
      fannTimes.push_back(Seconds(t0, Clock::now()));
    }
    const double ourSeconds = Median(ourTimes), fa = Median(fannTimes);
    std::string share = "-";
    if (c.online) {
      // The last run's rows, replayed as a reader first asks for them; then what writing them during the
      // run would cost.
      const auto t0 = Clock::now();
      const double first = b.wb->Online.Row(0, 0).empty() ? 0.0 : b.wb->Online.Row(0, 0)[0];
      const double replay = Seconds(t0, Clock::now());
      if (first != start[0]) throw std::runtime_error("the online record does not start from the start weights");
      b.wb->Online.Clear();
      const HistoryCost h = HistorySeconds(*b.wb, c.epochs);
      share = "rows replayed on read " + wl::FormatFixed(100.0 * replay / ourSeconds, 0) + "% of the run; written " +
              wl::FormatFixed(100.0 * h.write / ourSeconds, 0) + "%, a fresh block +" +
              wl::FormatFixed(100.0 * h.fresh / ourSeconds, 0) + "%";
    }
    const double wlRate = c.epochs / ourSeconds, faRate = c.epochs / fa;
    std::printf("%-24s %-7s %8d %14.1f %14.1f %8.2f %10.1e %s%s\n", c.name, c.online ? "online" : "batch", c.epochs,
                wlRate, faRate, wlRate / faRate, diff, share.c_str(), same ? "" : "   WEIGHTS DIFFER");
    std::fflush(stdout);
    results << slug.substr(0, slug.find('.')) << ' ' << (c.online ? "online" : "batch") << ' ' << c.hidden << ' '
            << wlRate << '\n';
  }
  if (!allSame) {
    std::printf("FAILED: WeightLab and FANN do not give the same weights after one epoch\n");
    return 1;
  }
  return 0;
}
