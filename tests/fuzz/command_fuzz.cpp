// command-fuzz [--first S] [--count N] [--steps K] [--seeds S1,S2,...] [--seconds T] [--skip LIST] [--keep] [--verbose]
// command-fuzz --replay SCRIPT...
//
// Random command sequences against the program, through the script driver's command boundary: each step
// is a script line (a click on a command of any window's handler table, a field set from a small pool of
// valid, boundary and invalid texts, a box checked, an item selected, an up-down or picture press, the
// answers of the dialogs and questions to come), run by the same Runner that runs the .wls scripts. A
// sequence is made from its seed alone, so a seed names it for good (as long as the tables and windows
// stay as they are; a fault found is also kept as a script under tests/scripts/fuzz/).
//
// A sequence fails on a crash or a sanitizer report (the process ends), on a command that runs longer
// than the time limit (T seconds of its thread's processor time, or five times T on the clock), on an
// error that escapes a command or a message that is a library's exception text, and on a broken
// invariant of the Workbench after a command: the weights arrays match `Layers`, and the stored
// analysis results match their own shape; and on a refusal that changes what it refuses: a click that
// shows a message leaves the network (its layers and every weight) and every setting field of the main
// window as they were, but for the commands of the table kRefusalMayChange, each with its reason. The
// failing sequence's script is written to the artefact folder (and kept while it runs, so a crash leaves
// it behind too).
//
// Besides single steps, a sequence plays the phases of a user's work: fields that reshape the network
// without building it again (Hidden L2 / L3 to 0, Crossover on and off, "Default Class 0"), and chains of
// network kinds (perceptron, Crossover, SMLP, N of M 4/5 and 5, constant and merging L, single class, XNG)
// followed by the commands that read the network: results, surface, weights and continued training.
//
// command-fuzz --replay SCRIPT... runs scripts through the same checks, line by line (the scripts of
// faults these checks found, kept under tests/fuzz/replay/).
//
// Exit status: 0 when every sequence ran clean, 1 when one failed, 2 for bad arguments.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/script_parser.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "driver/script_runner.h"
#include "platform/scripted_platform.h"
#include "shell/command.h"
#include "shell/data_visualization.h"
#include "shell/picture_press.h"
#include "shell/picture_viewer.h"
#include "shell/up_downs.h"
#include "state/analysis_shapes.h"
#include "state/training_parts.h"
#include "state/workbench.h"

namespace fs = std::filesystem;

namespace wl::fuzz {
namespace {

struct Options {
  std::uint32_t First = 1;
  int Count = 10;
  int Steps = 40;
  double Seconds = 120;  // the time limit of one command (processor time of the thread that runs it)
  std::vector<std::uint32_t> Seeds;
  std::set<std::string> Skip;  // commands ("CONTROL" or "WINDOW.CONTROL") left out of the sequences
  bool Keep = false;
  bool Verbose = false;  // each line, its time and its messages on the standard output
  std::vector<std::string> Replay;  // scripts run through the checks instead of random sequences
};

// ---- the watchdog: a command that runs past its limit ends the process, naming the command

class Watchdog {
 public:
  Watchdog() : thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  // The limit holds for the processor time of the calling thread (the one that runs the command), so
  // that a loaded machine does not make a long command look endless; a command that waits without
  // working is stopped at five times the limit on the clock.
  void Arm(double seconds, std::string what) {
    clockid_t cpu{};
    const bool haveCpu = pthread_getcpuclockid(pthread_self(), &cpu) == 0;
    std::lock_guard<std::mutex> lock(m_);
    what_ = std::move(what);
    haveCpu_ = haveCpu;
    cpu_ = cpu;
    cpuLimit_ = seconds;
    cpuStart_ = haveCpu ? CpuSeconds(cpu) : 0.0;
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::milliseconds(static_cast<long long>(seconds * (haveCpu ? 5000 : 1000)));
    armed_ = true;
  }
  void Disarm() {
    std::lock_guard<std::mutex> lock(m_);
    armed_ = false;
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(m_);
    while (!done_) {
      cv_.wait_for(lock, std::chrono::milliseconds(200));
      if (armed_ && (std::chrono::steady_clock::now() > deadline_ ||
                     (haveCpu_ && CpuSeconds(cpu_) - cpuStart_ > cpuLimit_))) {
        std::cerr << "command-fuzz: HANG: " << what_ << "\n" << std::flush;
        std::_Exit(1);
      }
    }
  }
  static double CpuSeconds(clockid_t c) {
    timespec t{};
    clock_gettime(c, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
  }
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false, armed_ = false, haveCpu_ = false;
  clockid_t cpu_{};
  double cpuLimit_ = 0.0, cpuStart_ = 0.0;
  std::string what_;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

// ---- the small data sets copied beside the shipped ones (tests/data/fuzz/)

const char* const kGenerated[] = {"fz_tiny.dat", "fz_disc.dat", "fz_dup.dat", "fz_const.dat", "fz_one.dat",
                                  "fz_bad.dat"};

// ---- the pools (the shipped sets but the largest, whose runs take minutes under the sanitizers)

const char* const kOpenAnswers[] = {
    "DATA/iris.dat", "DATA/xor.dat",      "DATA/monk1.dat",    "DATA/sine.dat",     "DATA/fz_tiny.dat",
    "DATA/fz_disc.dat", "DATA/fz_dup.dat", "DATA/fz_const.dat", "DATA/fz_one.dat",  "DATA/fz_bad.dat",
    "DATA/iris.dat", "DATA/xor.dat",      "DATA/fz_tiny.dat",  "DATA/fz_disc.dat",  "DATA/monk1.dat",
    "results/fz_w.txt", "results/fz_out.dat", "DATA/fz_missing.dat", "cancel", "PCA/WM_weightlab.txt",
    "results/fz_w.txt"};
const char* const kSaveAnswers[] = {"results/fz_w.txt", "results/fz_out.dat", "results/fz_pic.gif", "PCA/fz_save.txt",
                                    "cancel"};
const char* const kQuestionAnswers[] = {"yes", "yes", "no", "ok", "cancel"};
const char* const kEditTexts[] = {"0", "1", "2", "3", "-1", "0.5", "0.01", "", "abc", "1e300", "4", "10"};
const char* const kMaskedTexts[] = {"0", "1", "2", "3", "10", ""};
const char* const kComboTexts[] = {"abc", "0", "", "1"};

// The first lines of every sequence: valid values that keep the runs short.
const char* const kPrelude[] = {"set EpochEditT2 \"3\"", "set CVEdit \"3\"", "set PopEdit \"16\"", "set HiddenEditT2 \"3\""};

// The commands of a researcher's main paths (data, network, training, the surface and its consumers),
// chosen more often than the rest so that the sequences reach the states the other commands read.
const std::set<std::string> kMainPath = {
    "Simple1",   "TrainingT2", "DeterministicValues", "RandomValues", "RandomLinearInput1", "PlotT2",
    "ONPButton", "Button1",    "TR2DButton",          "TR3DButton",   "EPSButton",          "FindPCAMinimum1",
    "SMLP1change", "NofM1",    "Button4",             "NG_old",       "XNG1",               "Backpropagation1",
    "Random1change", "NG3D.C1", "TrajectoryW1"};

// ---- the windows and their command tables

struct WindowTable {
  std::string Window;  // "" for the main window
  std::vector<HandlerRow> Rows;
};

std::vector<WindowTable> CommandTables(Workbench& wb) {
  std::vector<WindowTable> t;
  t.push_back({"", HandlerTable()});
  t.push_back({wb.GTP.Name(), GTPHandlerTable()});
  t.push_back({wb.NGF.Name(), NGFHandlerTable()});
  for (int k = 0; k < 2; ++k)
    t.push_back({wb.WeightForms[static_cast<std::size_t>(k)].Name(), WeightFormHandlerTable(k)});
  for (Form* w : {static_cast<Form*>(&wb.HRF), static_cast<Form*>(&wb.ORF), static_cast<Form*>(&wb.HPF),
                  static_cast<Form*>(&wb.OPF)})
    t.push_back({w->Name(), RepresentationHandlerTable(w->Name())});
  t.push_back({wb.NG3D.Name(), NG3DHandlerTable()});
  t.push_back({wb.Form2.Name(), Form2HandlerTable()});
  t.push_back({wb.LT2.Name(), LT2HandlerTable()});
  t.push_back({wb.LT3.Name(), LT3HandlerTable()});
  t.push_back({wb.EForm.Name(), EFormHandlerTable()});
  if (!wb.GraphDataWindows.empty()) t.push_back({"GraphData", RowNames(GraphDataHandlerTable())});
  if (wb.Przegladaj) t.push_back({"Przegladaj", RowNames(ViewerHandlerTable())});
  return t;
}

// The windows whose fields a user can set.
std::vector<std::pair<std::string, Form*>> FieldWindows(Workbench& wb) {
  std::vector<std::pair<std::string, Form*>> w = {{"", &wb.Form1}};
  for (const WindowTable& t : CommandTables(wb))
    if (!t.Window.empty())
      if (Form* f = wb.FindWindow(t.Window)) w.push_back({t.Window, f});
  if (Form* f = wb.FindWindow(wb.OnTopForm.Name())) w.push_back({wb.OnTopForm.Name(), f});
  return w;
}

// As the driver requires: the control and every container it is in are enabled, and (as a user sees
// them) visible.
bool Usable(const Control& c) {
  if (!c.Enabled() || !c.Visible()) return false;
  const Control* p = &c;
  for (int depth = 0; depth < 64 && !p->Parent().empty(); ++depth) {
    p = c.Owner().Find(p->Parent());
    if (!p) break;
    if (!p->Enabled() || !p->Visible()) return false;
  }
  return true;
}

std::string ScriptName(const std::string& window, const Control& c) {
  return window.empty() ? c.Name() : window + "." + c.Name();
}

std::string Quoted(const std::string& text) { return script::Quote(text); }

// ---- the invariants of the Workbench after a command

template <class Rows>
bool Rectangular(const Rows& rows) {
  for (const auto& r : rows)
    if (r.size() != rows.front().size()) return false;
  return true;
}

std::string BrokenInvariant(const Workbench& wb) {
  if (!wb.Net.empty()) {
    if (wb.Net.size() != wb.Layers.size())
      return "Net has " + std::to_string(wb.Net.size()) + " layers, Layers " + std::to_string(wb.Layers.size());
    for (std::size_t l = 0; l < wb.Net.size(); ++l) {
      if (static_cast<int>(wb.Net[l].size()) != wb.Layers[l])
        return "layer " + std::to_string(l) + " has " + std::to_string(wb.Net[l].size()) + " neurons, Layers says " +
               std::to_string(wb.Layers[l]);
      if (l == 0) continue;
      // An MLP neuron reads its layer's fan-in (the layer below, and with skip connections the inputs
      // too) and a threshold; a step network's output neurons read their own share of the hidden units.
      const int below = wb.Layers[l - 1];
      const int fanIn = l - 1 < wb.LayerInputs.size() ? wb.LayerInputs[l - 1] : below;
      const bool mlp = wb.NetKind == 0;
      if (mlp && fanIn != below && !(l == 2 && fanIn == below + wb.Layers[0]))
        return "layer " + std::to_string(l) + " has a fan-in of " + std::to_string(fanIn) + " over a layer of " +
               std::to_string(below);
      const std::size_t most = static_cast<std::size_t>(std::max(fanIn, below)) + 1;
      for (std::size_t n = 0; n < wb.Net[l].size(); ++n) {
        const TNeuron& nr = wb.Net[l][n];
        if (nr.Weights.empty() || nr.Weights.size() > most || (mlp && nr.Weights.size() != static_cast<std::size_t>(fanIn) + 1))
          return "neuron " + std::to_string(l) + "." + std::to_string(n) + " has " + std::to_string(nr.Weights.size()) +
                 " weights for a fan-in of " + std::to_string(fanIn) + " and a threshold";
      }
    }
  }
  if (!Rectangular(wb.PrincipalComponents)) return "the principal components differ in length";
  if (!Rectangular(wb.PlotComponents)) return "the plot components differ in length";
  if (!wb.PlotComponents.empty() && !wb.CentreWeights.empty() &&
      wb.PlotComponents.front().size() != wb.CentreWeights.size())
    return "the plot components and the centre differ in length";
  for (const auto& plane : wb.NG3D.SurfaceGrid)
    if (!Rectangular(plane) || plane.size() != wb.NG3D.SurfaceGrid.front().size()) return "the surface grid is ragged";
  if (!ComponentsShapeHolds(wb)) return "the components do not have the shape of the network they were made for";
  if (!SurfaceGridShapeHolds(wb.NG3D)) return "the surface grid does not hold what its record gives";
  if (!BeamShapeHolds(wb)) return "the beam's members do not have the shape of the network they were made for";
  if (!StepUnitsShapeHold(wb)) return "the step network's own units do not match its layers";
  if (!PartsShapeHolds(wb)) return "the parts of the training set do not lie within the data set they were drawn for";
  return "";
}

// A message that is a library's exception text rather than the program's own: a fault let through.
bool LibraryText(const std::string& m) {
  for (const char* s : {"vector::", "basic_string", "_M_", "std::", "stoi", "stod", "bad_array", "bad_function",
                        "map::at", "bitset", "out_of_range"})
    if (m.find(s) != std::string::npos) return true;
  return false;
}

// ---- the refusal oracle: what a refused command leaves

// The network and every setting field of the main window, as a command found them.
struct Snapshot {
  std::vector<int> Layers;
  std::vector<std::vector<double>> Weights;  // each neuron's weights, layer by layer
  std::map<std::string, std::string> Fields;  // a field's name -> its text, check or item
};

Snapshot Take(const Workbench& wb) {
  Snapshot s;
  s.Layers.assign(wb.Layers.begin(), wb.Layers.end());
  for (const auto& layer : wb.Net)
    for (const TNeuron& n : layer) s.Weights.push_back(n.Weights);
  for (const Control* c : wb.Form1.Controls()) {
    // The progress group shows what a run did (epoch, error, time): no setting, but its point size.
    if (c->Parent() == "GroupBox4" && c->Kind() == ControlKind::Edit) continue;
    switch (c->Kind()) {
      case ControlKind::Edit:
      case ControlKind::CheckBox:
      case ControlKind::RadioButton:
      case ControlKind::SpinEdit:
        s.Fields[c->Name()] = c->ValueText();
        break;
      case ControlKind::ComboBox:
        s.Fields[c->Name()] = c->ValueText() + " #" + std::to_string(static_cast<const ComboBox*>(c)->ItemIndex());
        break;
      default:
        break;
    }
  }
  return s;
}

// The commands whose refusal may change the network or fields by design, and why. A command is named
// as the sequences name it ("CONTROL" of the main window, "WINDOW.CONTROL" of another); Fields "*" lets
// every field change, else the names listed.
struct RefusalLicence {
  const char* Command;
  bool Network;
  std::set<std::string> Fields;
  const char* Why;
};

const std::vector<RefusalLicence>& RefusalLicences() {
  static const std::vector<RefusalLicence> t = {
      // Any command that reads the parameters: the reading itself sets these fields, whatever comes after.
      {"*", false, {"StepEdit", "LRDBox"}, "a step-decay text that is none of the words is read as \"slow\" and shown so"},
      {"*", false, {"SlopeHidL2Edit", "sscaleHidL2Edit", "NSEHidL2Edit", "HL2TF", "SlopeHidL3Edit", "sscaleHidL3Edit",
                    "NSEHidL3Edit", "HL3TF"},
       "with \"use the settings for all layers\" the hidden layers' transfer-function fields show the output layer's"},
      // Commands that read a data set of their dialog and build its network as their first steps.
      {"Simple1", true, {"*"}, "opening a training set reads the set and builds its network before a later step may refuse"},
      {"SMLPcrossvalidation1", true, {"*"}, "a crossvalidation of the Open menu reads its data set first, and its folds build networks"},
      {"NGcrossvalidation1", true, {"*"}, "a crossvalidation of the Open menu reads its data set first, and its folds build networks"},
      {"MLPCrossvalidation1", true, {"*"}, "a crossvalidation of the Open menu reads its data set first, and its folds build networks"},
      {"TrainingT2", true, {"*"}, "New Training reads its data set and builds the network first; the trainer may refuse that network"},
      {"Button6", false, {"VdwBox"}, "\"WM Distance\" checks \"V contra dW\" for its scan and unchecks it after, whatever the scan met"},
      {"Button8", false, {"VdwBox"}, "\"WMD\" checks \"V contra dW\" for its scan and unchecks it after, whatever the scan met"},
      {"Button4", true, {"*"},
       "SSA reads the data set of its dialog and builds its network first (as New Training), its checks of the "
       "transfer functions and layers before; a refusal of the run after that leaves the new network"},
  };
  return t;
}

// Messages that are no refusal: notes of a command that goes on or did its work (the run took place).
const char* const kRunNotes[] = {
    "The weight matrix was not exported: ",  // the run took place; only its export was left out
    "Error:  ||V||=0",                       // the numerical gradient's run ends after the epoch it found no direction
    "Zero variance of feature",              // a note of the data set's reading, which goes on
    // the representation hook's note at the epoch of "IR" or pruning: the run goes on as it is
    "This training method cannot follow a change of the training set during its run",
};

bool RunNote(const std::string& message) {
  for (const char* n : kRunNotes)
    if (message.rfind(n, 0) == 0) return true;
  return false;
}

// What a refused command changed that it may not: "" when nothing.
std::string RefusalChanged(const std::string& command, const Snapshot& before, const Snapshot& after) {
  const RefusalLicence* licence = nullptr;
  std::set<std::string> everyCommand;
  for (const RefusalLicence& l : RefusalLicences()) {
    if (command == l.Command) licence = &l;
    if (std::string(l.Command) == "*") everyCommand.insert(l.Fields.begin(), l.Fields.end());
  }
  if (!(licence && licence->Network)) {
    if (before.Layers != after.Layers) {
      std::string a, b;
      for (int n : before.Layers) a += (a.empty() ? "" : "-") + std::to_string(n);
      for (int n : after.Layers) b += (b.empty() ? "" : "-") + std::to_string(n);
      return "the network's layers (" + (a.empty() ? "none" : a) + " -> " + (b.empty() ? "none" : b) + ")";
    }
    if (before.Weights != after.Weights) return "the network's weights";
  }
  const bool everyField = licence && licence->Fields.count("*");
  for (const auto& [name, text] : before.Fields) {
    const auto it = after.Fields.find(name);
    if (it == after.Fields.end() || it->second == text) continue;
    if (everyField || everyCommand.count(name) || (licence && licence->Fields.count(name))) continue;
    return "the field " + name + " (" + Quoted(text) + " -> " + Quoted(it->second) + ")";
  }
  return "";
}

// ---- one sequence

class Sequence {
 public:
  Sequence(std::uint32_t seed, const Options& opt, Watchdog& dog, const fs::path& artefacts)
      : seed_(seed), opt_(opt), dog_(dog), rng_(seed) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/wl-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder from " + tmpl);
    dir_ = fs::canonical(tmpl);
    fs::copy(WL_SOURCE_DIR "/DATA", dir_ / "DATA", fs::copy_options::recursive);
    fs::create_directories(dir_ / "results");
    fs::create_directories(artefacts);
    scriptPath_ = artefacts / ("seed_" + std::to_string(seed) + ".wls");
    script_.open(scriptPath_, std::ios::binary | std::ios::trunc);
    script_ << "# command-fuzz sequence, seed " << seed << "\n";
    oldCwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  ~Sequence() {
    runner_.reset();
    std::error_code ec;
    fs::current_path(oldCwd_, ec);
    if (!opt_.Keep) fs::remove_all(dir_, ec);
  }

  // The fault found, or "" when the sequence ran clean.
  std::string Run() {
    runner_ = std::make_unique<script::Runner>(dir_.string(), dir_.string());
    for (const char* name : kGenerated)
      if (std::string f = Do(std::string("copy ") + WL_SOURCE_DIR + "/tests/data/fuzz/" + name + " DATA/"); !f.empty())
        return f;
    if (std::string f = Do("clock 00:00:10.000 2"); !f.empty()) return f;
    if (std::string f = Do("start"); !f.empty()) return f;
    if (std::string f = Do("seed " + std::to_string(seed_)); !f.empty()) return f;
    // Short runs, so that many commands fit in the time: what is tried is their order, not their length.
    for (const char* line : kPrelude)
      if (std::string f = Do(line); !f.empty()) return f;
    for (int step = 0; step < opt_.Steps; ++step) {
      if (!runner_->Program())
        if (std::string f = Do("start"); !f.empty()) return f;
      if (std::string f = OneStep(); !f.empty()) return f;
    }
    return "";
  }

  const fs::path& ScriptPath() const { return scriptPath_; }

 private:
  std::uint32_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(rng_() % n); }
  template <class T, std::size_t N>
  const T& Pick(const T (&a)[N]) {
    return a[Below(N)];
  }

  std::string Do(const std::string& text) {
    script::Line line;
    line.Number = ++lineNo_;
    line.Source = text;
    line.Tokens = script::Tokenize(text);
    script::CheckSyntax(line);
    script_ << text << "\n" << std::flush;
    dog_.Arm(opt_.Seconds, "seed " + std::to_string(seed_) + ", line " + std::to_string(lineNo_) + ": " + text +
                               " (over " + std::to_string(static_cast<int>(opt_.Seconds)) + " s of processor time); script " +
                               scriptPath_.string());
    const auto started = std::chrono::steady_clock::now();
    // A click is watched for a refusal that changes what it refuses.
    const bool click = line.Tokens.size() >= 2 && line.Command() == "click";
    std::optional<Snapshot> before;
    if (click && runner_->Program()) before = Take(*runner_->Program());
    const std::size_t messagesBefore = runner_->Platform().Messages.size();
    const script::Outcome o = runner_->Step(line);
    dog_.Disarm();
    ScriptedPlatform& plat = runner_->Platform();
    if (opt_.Verbose) {
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      std::cout << seed_ << ":" << lineNo_ << " " << text << (s > 0.5 ? "   [" + std::to_string(s) + " s]" : "") << "\n";
      for (std::size_t m = messagesSeen_; m < plat.Messages.size(); ++m)
        std::cout << "      message: " << plat.Messages[m].Text << "\n";
    }
    if (o.Result != script::Outcome::Passed) {
      // A dialog or question that found no answer was cancelled; the sequence goes on.
      if (plat.Starved && o.Details == *plat.Starved) {
        plat.Starved.reset();
        script_ << "# (an answer was missing here: the dialog was cancelled)\n";
      } else {
        return "line " + std::to_string(o.Number) + ": " + o.Source + "\n  " + o.Details;
      }
    }
    for (; messagesSeen_ < plat.Messages.size(); ++messagesSeen_)
      if (LibraryText(plat.Messages[messagesSeen_].Text))
        return "line " + std::to_string(lineNo_) + ": " + text + "\n  a library's error reached the user: " +
               Quoted(plat.Messages[messagesSeen_].Text);
    if (const Workbench* wb = runner_->Program())
      if (std::string broken = BrokenInvariant(*wb); !broken.empty())
        return "line " + std::to_string(lineNo_) + ": " + text + "\n  after it, " + broken;
    std::size_t refusal = messagesBefore;
    while (refusal < plat.Messages.size() && RunNote(plat.Messages[refusal].Text)) ++refusal;
    if (before && refusal < plat.Messages.size())
      if (const Workbench* wb = runner_->Program())
        if (std::string changed = RefusalChanged(line.Arg(1), *before, Take(*wb)); !changed.empty())
          return "line " + std::to_string(lineNo_) + ": " + text + "\n  refused (" +
                 Quoted(plat.Messages[refusal].Text) + ") after changing " + changed;
    return "";
  }

 public:
  // Runs a script's lines through the sequence's checks; the fault found, or "".
  std::string Replay(const fs::path& script) {
    std::ifstream in(script, std::ios::binary);
    if (!in) return "cannot read " + script.string();
    runner_ = std::make_unique<script::Runner>(dir_.string(), dir_.string());
    for (const char* name : kGenerated)
      if (std::string f = Do(std::string("copy ") + WL_SOURCE_DIR + "/tests/data/fuzz/" + name + " DATA/"); !f.empty())
        return f;
    for (std::string text; std::getline(in, text);) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      const std::size_t first = text.find_first_not_of(" \t");
      if (first == std::string::npos || text[first] == '#') continue;
      if (!runner_->Program() && text != "start" && text.rfind("clock", 0) != 0)
        if (std::string f = Do("start"); !f.empty()) return f;
      if (std::string f = Do(text); !f.empty()) return f;
    }
    return "";
  }

 private:

  // Keeps a few answers queued for the dialogs and questions of the commands to come.
  std::string TopUpAnswers() {
    ScriptedPlatform& plat = runner_->Platform();
    while (plat.OpenAnswers.size() < 2)
      if (std::string f = Do(std::string("answer open ") + Pick(kOpenAnswers)); !f.empty()) return f;
    while (plat.SaveAnswers.size() < 1)
      if (std::string f = Do(std::string("answer save ") + Pick(kSaveAnswers)); !f.empty()) return f;
    while (plat.QuestionAnswers.size() < 2)
      if (std::string f = Do(std::string("answer ") + Pick(kQuestionAnswers)); !f.empty()) return f;
    return "";
  }

  std::string OneStep() {
    Workbench& wb = *runner_->Program();
    const std::uint32_t kind = Below(100);
    if (kind < 4) return Reshape(wb);
    if (kind < 8) return KindChain(wb);
    if (kind < 50) return Click(wb);
    if (kind < 72) return SetField(wb);
    if (kind < 84) return CheckBox(wb);
    if (kind < 94) return SelectItem(wb);
    if (kind < 96) return Page(wb);
    if (kind < 98) return UpDown(wb);
    return Press(wb);
  }

  std::string Click(Workbench& wb) {
    std::vector<std::string> names;
    for (const WindowTable& t : CommandTables(wb)) {
      Form* f = t.Window.empty() ? &wb.Form1 : wb.FindWindow(t.Window);
      if (!f) continue;
      for (const HandlerRow& r : t.Rows) {
        if (r.Event != ControlEvent::MouseReleased) continue;
        const Control* c = f->Find(r.Control);
        if (!c || (c->Kind() != ControlKind::Button && c->Kind() != ControlKind::MenuItem) || !Usable(*c)) continue;
        const std::string name = ScriptName(t.Window, *c);
        if (!opt_.Skip.count(name)) names.push_back(name);
      }
    }
    if (names.empty()) return "";
    std::vector<std::string> main;
    for (const std::string& n : names)
      if (kMainPath.count(n)) main.push_back(n);
    const std::string name = !main.empty() && Below(5) < 2 ? main[Below(main.size())] : names[Below(names.size())];
    if (std::string f = TopUpAnswers(); !f.empty()) return f;
    return Do("click " + name);
  }

  // A click on a main-window command when a user can reach it; "" when not (or after it).
  std::string ClickIfUsable(const std::string& name) {
    Workbench* wb = runner_->Program();
    if (!wb || opt_.Skip.count(name)) return "";
    const Control* c = wb->Form1.Find(name);
    if (!c || !Usable(*c)) return "";
    if (std::string f = TopUpAnswers(); !f.empty()) return f;
    return Do("click " + name);
  }

  // The commands that read the network in place: results, surface, weights and training continued.
  std::string Consumers(int most) {
    static const char* const kConsumers[] = {
        "OnTrainingSet1", "NTButton",     "ShowWeights1", "Button8",        "Button7",    "PCAW1",
        "TrajectoryW1",   "NG_old",       "GlobalthenLocal1", "BeamSearch1", "Button4",   "OldPlot1",
        "AllNeurons2ch1", "Button14",     "importWMButton", "SaveCurrentWeightstoFile1", "LoadWeightsfromFile1",
        "Backpropagation1", "Discrete1change", "N2W1",  "FindPCAMinimum1", "TrainingT2", "Button13"};
    const int n = 1 + static_cast<int>(Below(static_cast<std::size_t>(most)));
    for (int k = 0; k < n; ++k)
      if (std::string f = ClickIfUsable(Pick(kConsumers)); !f.empty()) return f;
    return "";
  }

  // Fields that reshape the network without building it again, then the commands that read it.
  std::string Reshape(Workbench& wb) {
    static const char* const kReshapes[] = {
        "set HiddenEditT2 \"0\"", "set HiddenEditT2 \"2\"", "set Hid3EditT2 \"0\"", "set Hid3EditT2 \"2\"",
        "check SkipCheck",         "check FullConn",          "check DefClassBox",    "uncheck DefClassBox",
        "check strbox",            "select OutTF 1",          "select OutTF 0",       "set EpochEditT2 \"0\""};
    const std::string line = Pick(kReshapes);
    const std::string control = script::Tokenize(line)[1].Text;
    if (const Control* c = wb.Form1.Find(control); c && Usable(*c)) {
      if (std::string f = TopUpAnswers(); !f.empty()) return f;
      if (std::string f = Do(line); !f.empty()) return f;
    }
    return Consumers(3);
  }

  // A chain of network kinds, each built on the set in place (or another set opened first), then the
  // commands that read the network.
  std::string KindChain(Workbench&) {
    static const char* const kBuilders[] = {"RandomLinearInput1", "crossover", "SMLP1change", "NofM1",
                                            "NofM51",            "TrainLunits1", "Lunits4NClass1", "Button5",
                                            "XNG1",              "SMLPcrossvalidation1", "DeterministicValues"};
    if (Below(3) == 0)
      if (std::string f = ClickIfUsable("Simple1"); !f.empty()) return f;
    const int n = 1 + static_cast<int>(Below(3));
    for (int k = 0; k < n; ++k) {
      std::string b = Pick(kBuilders);
      if (!runner_->Program()) return "";
      if (b == "crossover") {
        if (const Control* c = runner_->Program()->Form1.Find("SkipCheck"); c && Usable(*c))
          if (std::string f = Do("check SkipCheck"); !f.empty()) return f;
        b = "RandomLinearInput1";
      } else if (b == "RandomLinearInput1" || b == "DeterministicValues") {
        if (const Control* c = runner_->Program()->Form1.Find("FullConn"); c && Usable(*c) && Below(2))
          if (std::string f = Do("check FullConn"); !f.empty()) return f;
      }
      if (std::string f = ClickIfUsable(b); !f.empty()) return f;
    }
    return Consumers(3);
  }

  // The controls of a kind a user can act on now, as script names.
  std::vector<std::pair<std::string, Control*>> Fields(Workbench& wb, std::initializer_list<ControlKind> kinds) {
    std::vector<std::pair<std::string, Control*>> out;
    for (const auto& [window, form] : FieldWindows(wb))
      for (Control* c : form->Controls()) {
        bool wanted = false;
        for (ControlKind k : kinds) wanted = wanted || c->Kind() == k;
        if (wanted && Usable(*c)) out.push_back({ScriptName(window, *c), c});
      }
    return out;
  }

  std::string SetField(Workbench& wb) {
    const auto fields = Fields(wb, {ControlKind::Edit, ControlKind::SpinEdit, ControlKind::ComboBox});
    if (fields.empty()) return "";
    const auto& [name, c] = fields[Below(fields.size())];
    std::string text;
    if (c->Kind() == ControlKind::Edit) {
      const auto* e = static_cast<const Edit*>(c);
      if (!defaults_.count(name)) defaults_[name] = e->Text();
      if (e->MaskWidth() > 0) {
        text = Pick(kMaskedTexts);
        if (static_cast<int>(text.size()) > e->MaskWidth()) text = "1";
      } else {
        // A third of the time the field's first text (a valid value), else one of the pool.
        text = Below(3) == 0 ? defaults_[name] : std::string(Pick(kEditTexts));
      }
    } else if (c->Kind() == ControlKind::SpinEdit) {
      const auto* s = static_cast<const SpinEdit*>(c);
      const int values[] = {s->MinValue(), s->MaxValue(), s->MinValue() + 1, (s->MinValue() + s->MaxValue()) / 2};
      text = std::to_string(values[Below(4)]);
    } else {
      text = Pick(kComboTexts);
    }
    return Do("set " + name + " " + Quoted(text));
  }

  std::string CheckBox(Workbench& wb) {
    const auto fields = Fields(wb, {ControlKind::CheckBox, ControlKind::RadioButton});
    if (fields.empty()) return "";
    const auto& [name, c] = fields[Below(fields.size())];
    if (c->Kind() == ControlKind::RadioButton) return Do("check " + name);
    const bool on = static_cast<const wl::CheckBox*>(c)->Checked();
    if (std::string f = TopUpAnswers(); !f.empty()) return f;  // a box may start a command
    return Do(std::string(on ? "uncheck " : "check ") + name);
  }

  std::string SelectItem(Workbench& wb) {
    const auto fields = Fields(wb, {ControlKind::ComboBox, ControlKind::ListBox});
    std::vector<std::pair<std::string, Control*>> filled;
    for (const auto& f : fields)
      if (!static_cast<const ComboBox*>(f.second)->Items().empty()) filled.push_back(f);
    if (filled.empty()) return "";
    const auto& [name, c] = filled[Below(filled.size())];
    const std::size_t n = static_cast<const ComboBox*>(c)->Items().size();
    if (std::string f = TopUpAnswers(); !f.empty()) return f;
    return Do("select " + name + " " + std::to_string(Below(n)));
  }

  std::string Page(Workbench& wb) {
    const PageControl& pages = wb.Form1.P1;
    if (!Usable(pages)) return "";
    std::vector<int> open;
    for (const Control* c : wb.Form1.Controls())
      if (c->Kind() == ControlKind::TabSheet && c->Parent() == pages.Name() && c->Enabled())
        open.push_back(static_cast<const TabSheet*>(c)->PageIndex());
    if (open.empty()) return "";
    return Do("page " + std::to_string(open[Below(open.size())]));
  }

  std::string UpDown(Workbench& wb) {
    std::vector<std::string> names;
    for (const UpDownRow& r : UpDownTable()) {
      Form* f = wb.FindWindow(r.Window);
      const Control* c = f ? f->Find(r.Control) : nullptr;
      if (c && Usable(*c)) names.push_back(r.Window + "." + r.Control);
    }
    if (names.empty()) return "";
    const std::string name = names[Below(names.size())];
    return Do("updown " + name + (Below(2) ? " up" : " down"));
  }

  std::string Press(Workbench& wb) {
    std::vector<std::string> windows;
    for (const PicturePressRow& r : PicturePressTable())
      if (wb.FindWindow(r.Window)) windows.push_back(r.Window);
    if (windows.empty()) return "";
    const std::string w = windows[Below(windows.size())];
    std::string line = "press " + w + " " + std::to_string(Below(600)) + " " + std::to_string(Below(500));
    if (Below(2)) line += " right";
    if (Below(3) == 0) line += " ctrl";
    if (std::string f = TopUpAnswers(); !f.empty()) return f;
    return Do(line);
  }

  std::uint32_t seed_;
  const Options& opt_;
  Watchdog& dog_;
  std::mt19937 rng_;
  fs::path dir_, oldCwd_, scriptPath_;
  std::ofstream script_;
  std::unique_ptr<script::Runner> runner_;
  int lineNo_ = 0;
  std::size_t messagesSeen_ = 0;
  std::map<std::string, std::string> defaults_;
};

// The fuzzer's own checks find what they are for: each spoiled state of the table below, made from a sound
// workbench (a 2-3-1 perceptron, or the step network a case builds), is found, and the sound states are
// not. 0 when every case comes out as it should.
void SoundPerceptron(Workbench& wb) {
  wb.NumOfLayers = 3;
  wb.Layers = {2, 3, 1};
  wb.LayerInputs = {2, 3, 0, 0};
  wb.NumOfWeights = 13;
  wb.Net.assign(3, {});
  wb.Net[0].assign(2, TNeuron{0.0, std::vector<double>(1, 1.0), {}, {}});
  wb.Net[1].assign(3, TNeuron{0.0, std::vector<double>(3, 0.0), {}, {}});
  wb.Net[2].assign(1, TNeuron{0.0, std::vector<double>(4, 0.0), {}, {}});
}

// A four-layer N-of-M network of 2 classes, 1 unit per class, 2 features of 2 values, with its tables.
void SoundFourLayer(Workbench& wb) {
  wb.NetKind = 1;
  wb.NetType = 4;
  wb.NumOfLayers = 4;
  wb.Layers = {4, 4, 2, 2};
  wb.LayerInputs = {4, 4, 2, 1};
  wb.Net.assign(4, {});
  wb.Net[0].assign(4, TNeuron{0.0, std::vector<double>(1, 1.0), {}, {}});
  wb.Net[1].assign(4, TNeuron{0.0, std::vector<double>(3, 0.0), {}, {}});
  wb.Net[2].assign(2, TNeuron{0.0, std::vector<double>(3, 1.0), {}, {}});
  wb.Net[3].assign(2, TNeuron{0.0, std::vector<double>(2, 1.0), {}, {}});
  wb.NofMKind.assign(1, std::vector<std::string>(2, "new"));
  wb.FeatureUse.assign(1, std::vector<std::vector<int>>(2, std::vector<int>(2, 0)));
  wb.ExpandBuilt.assign(2, 0);
}

int SelfTest() {
  struct Case {
    const char* What;
    bool Broken;  // the check must find it
    std::function<void(Workbench&)> Make;
  };
  const std::vector<Case> cases = {
      {"a workbench without a network", false, [](Workbench&) {}},
      {"a 2-3-1 network", false, SoundPerceptron},
      {"a 2-3-1 network with skip connections", false,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.LayerInputs[1] = 5;
         wb.Net[2][0].Weights.resize(6);
       }},
      {"an output neuron short of its skip weights", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.LayerInputs[1] = 5;
       }},
      {"a layer with more neurons than Layers says", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.Layers[1] = 2;
       }},
      {"a hidden neuron short of a weight", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.Net[1][1].Weights.resize(2);
       }},
      {"ragged principal components", true, [](Workbench& wb) { wb.PrincipalComponents = {{1, 2, 3}, {1, 2}}; }},
      {"components longer than their centre", true,
       [](Workbench& wb) {
         wb.PlotComponents = {{1, 2, 3}};
         wb.CentreWeights = {1, 2};
       }},
      {"eigenvalues fewer than the weights the components were made for", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         StampComponents(wb);
         wb.Eigenvalues.assign(12, 1.0);
         wb.PrincipalComponents.assign(13, std::vector<double>(13, 0.0));
       }},
      {"a beam of the network in place", false,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.BeamMadeFor = CurrentNetworkShape(wb);
         wb.BeamNets.assign(2, wb.Net);
         wb.BeamErrors.assign(2, 0.0);
         wb.CandidateNets.assign(4, wb.Net);
         wb.CandidateErrors.assign(4, 0.0);
       }},
      {"a beam of an earlier network, another network in place", false,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.BeamMadeFor = CurrentNetworkShape(wb);
         wb.BeamNets.assign(2, wb.Net);
         wb.BeamErrors.assign(2, 0.0);
         wb.Layers[1] = 2;
         wb.Net[1].resize(2);
         wb.Net[2][0].Weights.resize(3);
         wb.LayerInputs[1] = 2;
         wb.NumOfWeights = 9;
       }},
      {"a beam member of another network", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.BeamMadeFor = CurrentNetworkShape(wb);
         wb.BeamNets.assign(2, wb.Net);
         wb.BeamErrors.assign(2, 0.0);
         wb.BeamNets[1][1].pop_back();
       }},
      {"beam members whose weights are not the network's", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.BeamMadeFor = CurrentNetworkShape(wb);
         wb.BeamNets.assign(1, wb.Net);
         wb.BeamErrors.assign(1, 0.0);
         wb.BeamNets[0][1][0].Weights.push_back(0.0);  // one weight moved from the output neuron to a hidden one
         wb.BeamNets[0][2][0].Weights.pop_back();
       }},
      {"fewer beam errors than members", true,
       [](Workbench& wb) {
         SoundPerceptron(wb);
         wb.BeamMadeFor = CurrentNetworkShape(wb);
         wb.CandidateNets.assign(4, wb.Net);
         wb.CandidateErrors.assign(3, 0.0);
       }},
      {"a four-layer N-of-M network with its tables", false, SoundFourLayer},
      {"N-of-M unit kinds of another network", true,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         wb.NofMKind.assign(2, std::vector<std::string>(2, "new"));
       }},
      {"feature counts of another data set", true,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         wb.FeatureUse[0][1].resize(3);
       }},
      {"an expanded unit without its sub-units", true,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         wb.ExpandBuilt[1] = 1;
       }},
      {"the tables of an N-of-M network with a perceptron in place", false,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         SoundPerceptron(wb);
         wb.NetKind = 0;
       }},
      {"five-layer AND units fewer than the hidden units", true,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         wb.NetType = 5;
         wb.AndUnits.assign(2, TNeuron{0.0, std::vector<double>(3, 1.0), {}, {}});
         wb.NofMUnits.assign(1, TNeuron{0.0, std::vector<double>(3, 1.0), {}, {}});
       }},
      {"L-units fewer than the inputs", true,
       [](Workbench& wb) {
         SoundFourLayer(wb);
         wb.NetType = 3;
         wb.LUnitsMode = 1;
         wb.LUnitN1.assign(3, TNeuron{0.0, {0.0, 1.0}, {}, {}});
         wb.LUnitN2 = wb.LUnitN1;
         wb.LUnitN3.assign(3, TNeuron{0.0, {1.5, 1.0, -1.0}, {}, {}});
       }},
      {"parts drawn for this data set", false,
       [](Workbench& wb) {
         wb.NumOfVectors = 4;
         wb.NumOfParts = 2;
         wb.BatchIndex = {0, 3};
         StampParts(wb);
       }},
      {"a part listing a vector past the data set it was drawn for", true,
       [](Workbench& wb) {
         wb.NumOfVectors = 4;
         wb.NumOfParts = 2;
         wb.BatchIndex = {0, 4};
         StampParts(wb);
       }},
  };
  int failures = 0;
  for (const Case& c : cases) {
    ScriptedPlatform plat;
    Workbench wb(plat, "/nonexistent/weightlab");
    c.Make(wb);
    const std::string found = BrokenInvariant(wb);
    if (found.empty() == c.Broken) {
      std::cerr << "command-fuzz self-test: " << c.What << (c.Broken ? ": not found" : ": taken for broken: " + found)
                << "\n";
      ++failures;
    }
  }
  auto expect = [&](bool ok, const char* what) {
    if (!ok) {
      std::cerr << "command-fuzz self-test: " << what << "\n";
      ++failures;
    }
  };
  // The refusal oracle: what a command may change, by the table, and what it may not.
  {
    ScriptedPlatform plat;
    Workbench wb(plat, "/nonexistent/weightlab");
    SoundPerceptron(wb);
    const Snapshot before = Take(wb);
    expect(RefusalChanged("NTButton", before, Take(wb)).empty(), "an unchanged workbench passes");
    wb.Net[2][0].Weights[1] = 0.5;
    expect(!RefusalChanged("NTButton", before, Take(wb)).empty(), "a weight changed by a refusal is found");
    expect(RefusalChanged("Simple1", before, Take(wb)).empty(), "a command licensed for the network may change it");
    SoundPerceptron(wb);
    wb.Form1.HiddenEditT2.SetText("0");
    expect(!RefusalChanged("NTButton", before, Take(wb)).empty(), "a setting changed by a refusal is found");
    expect(!RefusalChanged("importWMButton", before, Take(wb)).empty(),
           "a command licensed for other fields may not change this one");
    wb.Form1.HiddenEditT2.SetText(before.Fields.at("HiddenEditT2"));
    wb.Form1.StepEdit.SetText("slow");
    wb.Form1.ep.SetText("7");
    expect(RefusalChanged("NTButton", before, Take(wb)).empty(),
           "a field every command may set, and the progress group's display, pass");
  }
  // ... and a refusal of the program's own, on a network built from a shipped data set, passes.
  {
    ScriptedPlatform plat;
    Workbench wb(plat, WL_SOURCE_DIR);
    ReadDataFile(wb, WL_SOURCE_DIR "/DATA/iris.dat");
    wb.ResultsPrefix = "/nonexistent/iris";
    wb.Form1.HiddenEditT2.SetText("2");
    expect(CreateNetwork(wb, 1) == NetworkBuilt, "the iris network is built");
    const Snapshot before = Take(wb);
    wb.Form1.InitEdit.SetText("-1");
    const Snapshot asked = Take(wb);
    expect(CreateNetwork(wb, 2) != NetworkBuilt && !plat.Messages.empty(), "a bad initial range is refused");
    expect(RefusalChanged("RandomValues", asked, Take(wb)).empty(), "the program's refused build changes nothing");
    expect(!RefusalChanged("RandomValues", before, Take(wb)).empty(), "the field the user set is seen");
  }
  expect(LibraryText("vector::_M_range_check: __n (which is 3) >= this->size() (which is 3)"),
         "a library's range message is found");
  expect(!LibraryText("The network does not fit the chosen structure. Create the network again."),
         "the program's own message is not taken for a library's");
  return failures ? 1 : 0;
}

bool ParseSeeds(const std::string& text, std::vector<std::uint32_t>& out) {
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    if (item.empty()) continue;
    char* end = nullptr;
    const unsigned long v = std::strtoul(item.c_str(), &end, 10);
    if (*end) return false;
    out.push_back(static_cast<std::uint32_t>(v));
  }
  return true;
}

int Usage() {
  std::cerr << "usage: command-fuzz [--first S] [--count N] [--steps K] [--seeds S1,S2,...] [--seconds T] "
               "[--skip CONTROL,...] [--keep] [--verbose] | --self-test | --replay SCRIPT...\n";
  return 2;
}

}  // namespace
}  // namespace wl::fuzz

int main(int argc, char** argv) {
  using namespace wl::fuzz;
  Options opt;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--self-test") {
      return SelfTest();
    } else if (a == "--keep") {
      opt.Keep = true;
    } else if (a == "--verbose") {
      opt.Verbose = true;
    } else if (a == "--first" && value(v)) {
      opt.First = static_cast<std::uint32_t>(std::strtoul(v.c_str(), nullptr, 10));
    } else if (a == "--count" && value(v)) {
      opt.Count = std::atoi(v.c_str());
    } else if (a == "--steps" && value(v)) {
      opt.Steps = std::atoi(v.c_str());
    } else if (a == "--seconds" && value(v)) {
      opt.Seconds = std::atof(v.c_str());
    } else if (a == "--seeds" && value(v)) {
      if (!ParseSeeds(v, opt.Seeds)) return Usage();
    } else if (a == "--replay") {
      for (++i; i < argc; ++i) opt.Replay.push_back(argv[i]);
    } else if (a == "--skip" && value(v)) {
      std::stringstream in(v);
      for (std::string item; std::getline(in, item, ',');)
        if (!item.empty()) opt.Skip.insert(item);
    } else {
      return Usage();
    }
  }
  if (opt.Seeds.empty())
    for (int k = 0; k < opt.Count; ++k) opt.Seeds.push_back(opt.First + static_cast<std::uint32_t>(k));

  const fs::path artefacts = fs::path(WL_ARTEFACT_DIR) / "fuzz";
  Watchdog dog;
  if (!opt.Replay.empty()) {
    int bad = 0;
    for (const std::string& script : opt.Replay) {
      std::string fault;
      const fs::path path = fs::absolute(script);  // before the sequence moves into its own folder
      {
        Sequence s(0, opt, dog, artefacts);
        try {
          fault = s.Replay(path);
        } catch (const std::exception& e) {
          fault = std::string("the fuzzer itself failed: ") + e.what();
        }
      }
      if (!fault.empty()) {
        ++bad;
        std::cerr << "command-fuzz: " << script << " FAILED at " << fault << "\n";
      }
    }
    std::cout << "command-fuzz: " << opt.Replay.size() - static_cast<std::size_t>(bad) << " of " << opt.Replay.size()
              << " scripts ran clean\n";
    return bad ? 1 : 0;
  }
  int failed = 0, clean = 0;
  for (std::uint32_t seed : opt.Seeds) {
    std::string fault;
    fs::path script;
    {
      Sequence s(seed, opt, dog, artefacts);
      try {
        fault = s.Run();
      } catch (const std::exception& e) {
        fault = std::string("the fuzzer itself failed: ") + e.what();
      }
      script = s.ScriptPath();
    }
    if (fault.empty()) {
      ++clean;
      std::error_code ec;
      if (!opt.Keep) fs::remove(script, ec);
    } else {
      ++failed;
      std::cerr << "command-fuzz: seed " << seed << " FAILED at " << fault << "\n  script: " << script.string() << "\n";
    }
  }
  std::cout << "command-fuzz: " << clean << " of " << opt.Seeds.size() << " sequences ran clean ("
            << opt.Steps << " steps each)\n";
  return failed ? 1 : 0;
}
