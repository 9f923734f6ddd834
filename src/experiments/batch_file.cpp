#include "experiments/batch_file.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "experiments/result_report.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/results_prefix.h"
#include "model/run_status.h"
#include "model/settings_file.h"
#include "state/workbench.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "training/mlp_beam_search.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/two_changes.h"

namespace wl {

namespace {

namespace fs = std::filesystem;

using Trainer = void (*)(Workbench&, std::uint8_t);

// The SMLP experiment driver (smlp/, through the hooks table).
void RunSMLPTask(Workbench& wb, std::uint8_t mode) { CallRunSMLP(wb, mode); }

// The methods a task can name, compared exactly (upper case). A method without a trainer is not
// available yet: its tasks are skipped after a message. Each row is wired to its trainer as it lands.
struct BatchMethod {
  const char* Name;          // "" for any other value, the empty one included
  Trainer Train;
  std::uint8_t Mode;
  bool BuildsNetwork;        // the step-function methods build their own networks
  std::uint8_t ReportMode;   // of WriteResultFile
  const char* Tag;           // MethodTag set before the trainer runs, as the menu does; nullptr: none
};

const BatchMethod kBatchMethods[] = {
    {"BS", &MLPBeamSearchTrain, 1, true, 0, "BS"},
    {"D1", &TrainOneChange, 2, true, 0, nullptr},
    {"R2", &TrainTwoChanges, 1, true, 0, nullptr},
    {"D2", &TrainTwoChanges, 2, true, 0, nullptr},
    {"ABR1", &Train1ChangeAccBad, 1, true, 0, nullptr},
    {"SMLP1", &RunSMLPTask, 1, false, 0, nullptr},
    {"SMLP2", &RunSMLPTask, 2, false, 0, nullptr},
    {"NG", &NGTrain, 1, true, 5, nullptr},
    {"", &TrainOneChange, 1, true, 0, nullptr},
};

const BatchMethod& MethodNamed(const std::string& name) {
  for (const BatchMethod& m : kBatchMethods)
    if (name == m.Name) return m;
  return kBatchMethods[std::size(kBatchMethods) - 1];
}

enum class Key { DataSet, CreateNetwork, TrainingMethod, Slope, HidBias, OutBias, VCoef, End };

// The keys in the order they are tried, each with the characters compared.
struct KeyRow {
  Key Which;
  std::string_view Prefix;
};
const KeyRow kKeys[] = {
    {Key::DataSet, "DATASET"},     {Key::CreateNetwork, "CREATENETW"}, {Key::TrainingMethod, "TRAININGME"},
    {Key::Slope, "SLOPE"},         {Key::HidBias, "HIDBIA"},           {Key::OutBias, "OUBIAS"},
    {Key::VCoef, "V_COEF"},        {Key::End, "***"},
};

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// One key line of a task, checked when the file is read: its value, and the number it gives.
struct BatchLine {
  Key Which;
  std::string Value;
  double Number = 0.0;  // SLOPE, HIDBIAS, OUBIAS, V_COEF
  std::uint8_t Scheme = 1;  // CREATENETWORK
};

// A task: its key lines in file order, "***" aside.
using BatchTask = std::vector<BatchLine>;

class BatchRunner {
 public:
  BatchRunner(Workbench& wb, std::string fileName) : wb_(wb), file_(std::move(fileName)) {}

  // The whole file is read and checked before the first task changes anything: a refused file leaves the
  // program as it was.
  void Run() {
    const std::vector<BatchTask> tasks = ReadTasks();
    for (const BatchTask& task : tasks) {
      scheme_ = 1;
      for (const BatchLine& line : task) Apply(line);
      RunTask();
    }
  }

 private:
  std::vector<BatchTask> ReadTasks() {
    TextLineReader in;
    if (!in.Open(file_, TextLineReader::Keep)) throw FileError("Cannot open batch file " + file_);
    std::vector<BatchTask> tasks;
    BatchTask task;
    bool anyKey = false;
    std::string line;
    while (in.Next(line)) {
      ++lineNo_;
      line = Upper(line);
      const Key* key = KeyOf(line);
      if (!key) continue;
      anyKey = true;
      if (*key == Key::End) {
        tasks.push_back(std::move(task));
        task.clear();
        continue;
      }
      task.push_back(Checked(*key, line));
    }
    if (in.Failed()) throw FileError("Cannot read batch file " + file_);
    // A last task without "***" runs when it holds a key line; lines after the last task run nothing.
    if (!task.empty()) tasks.push_back(std::move(task));
    if (!anyKey) {
      if (in.Empty()) throw FileError("Batch file " + file_ + " is empty: no task was run");
      throw FileError("Batch file " + file_ +
                      " holds no task: no line begins with DATASET=, CREATENETWORK=, TRAININGMETHOD=, SLOPE=, "
                      "HIDBIAS=, OUBIAS=, V_COEF= or ***; no task was run");
    }
    return tasks;
  }

  static const Key* KeyOf(const std::string& line) {
    for (const KeyRow& k : kKeys)
      if (line.compare(0, k.Prefix.size(), k.Prefix) == 0) return &k.Which;
    return nullptr;
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw ConvertError("Batch file " + file_ + ", line " + IntToStr(lineNo_) + ": " + why);
  }

  double Real(const std::string& value) const {
    double x = 0.0;
    if (!TryStrToFloat(value, x)) Fail(QuotedText(value) + " is not a valid floating point value");
    return x;
  }

  BatchLine Checked(Key key, const std::string& line) const {
    BatchLine b{key, TrimmedValueAfterEquals(line)};
    switch (key) {
      case Key::CreateNetwork: {
        std::int32_t scheme = 0;
        if (!TryStrToInt(b.Value, scheme)) Fail(QuotedText(b.Value) + " is not a valid integer value");
        if (scheme < 1 || scheme > 8) Fail("the initial-weight scheme must be from 1 to 8, not " + IntToStr(scheme));
        b.Scheme = static_cast<std::uint8_t>(scheme);
        break;
      }
      case Key::Slope:
      case Key::HidBias:
      case Key::OutBias:
      case Key::VCoef:
        b.Number = Real(b.Value);
        break;
      case Key::DataSet:
      case Key::TrainingMethod:
      case Key::End:
        break;
    }
    return b;
  }

  void Apply(const BatchLine& b) {
    TForm1& f = wb_.Form1;
    switch (b.Which) {
      case Key::DataSet:
        wb_.DataFileName = b.Value;
        break;
      case Key::CreateNetwork:
        scheme_ = b.Scheme;
        break;
      case Key::TrainingMethod:
        method_ = b.Value;
        break;
      case Key::Slope:
        wb_.Slope = b.Number;
        f.SlopeEdit.SetText(FloatToStr(wb_.Slope));
        break;
      case Key::HidBias:
        wb_.HidBias = b.Number;
        f.HidBEdit.SetText(FloatToStr(wb_.HidBias));
        break;
      case Key::OutBias:
        wb_.OutBias = b.Number;
        f.OutBEdit.SetText(FloatToStr(wb_.OutBias));
        break;
      case Key::VCoef:
        wb_.V_coef = b.Number;
        f.VCEdit.SetText(FloatToStr(wb_.V_coef));
        break;
      case Key::End:
        break;
    }
  }

  // The data-set file a task names: old-style and relative names are in the program folder; letter case
  // is not looked at, as the names reach the batch upper-cased.
  std::string DataSetPath(const std::string& name) const {
    if (!name.empty() && name[0] == '/') {
      const std::string absolute = FindIgnoringCase("/", name);
      if (FileExists(absolute)) return absolute;
    }
    return FindIgnoringCase(wb_.ProgramDir, wb_.Path(name));
  }

  // Each task's reports go under a prefix of their own, made from its data set; a prefix an earlier task
  // used (the same set in the same second) gets the task's number.
  void MakeTaskPrefix() {
    MakeResultsPrefix(wb_);
    std::string prefix = wb_.ResultsPrefix;
    while (used_.count(prefix)) (prefix += '_') += IntToStr(task_);
    wb_.ResultsPrefix = prefix;
    used_.insert(prefix);
  }

  void RunTask() {
    ++task_;
    const BatchMethod& m = MethodNamed(method_);
    if (!m.Train) {
      wb_.Plat.ShowMessage("Batch task " + IntToStr(task_) + ": the training method \"" + method_ +
                           "\" is not available yet. The task is skipped.");
      return;
    }
    if (Trim(wb_.DataFileName).empty())
      throw FileError("Batch file " + file_ + ", task " + IntToStr(task_) + ": no data set is named (DATASET=)");
    wb_.DataFileName = DataSetPath(wb_.DataFileName);
    ReadDataFile(wb_, wb_.DataFileName);
    MakeTaskPrefix();
    if (m.BuildsNetwork && CreateNetwork(wb_, scheme_) != NetworkBuilt) return;  // after its message
    ShowRunMethod(wb_, "Training Method: " + method_);
    if (m.Tag) wb_.MethodTag = m.Tag;
    const std::int64_t start = MonotonicMs();
    m.Train(wb_, m.Mode);
    wb_.ElapsedTime = MonotonicMs() - start;
    WriteResultFile(wb_, m.ReportMode);
  }

  Workbench& wb_;
  std::string file_;
  int lineNo_ = 0;
  int task_ = 0;
  std::uint8_t scheme_ = 1;
  std::string method_;  // empty before the first task names one
  std::set<std::string> used_;
};

}  // namespace

std::string TrimmedValueAfterEquals(std::string_view line) { return Trim(ValueAfterEquals(line)); }

std::string FindIgnoringCase(const std::string& base, const std::string& path) {
  if (FileExists(path)) return path;
  const fs::path b(base), p(path);
  const fs::path rel = p.lexically_relative(b);
  if (rel.empty() || *rel.begin() == "..") return path;
  std::error_code ec;
  fs::path found = b;
  for (const fs::path& part : rel) {
    const fs::path exact = found / part;
    if (fs::exists(exact, ec)) {
      found = exact;
      continue;
    }
    const std::string wanted = Lower(part.string());
    std::vector<fs::path> matches;
    for (fs::directory_iterator it(found, ec), end; !ec && it != end; it.increment(ec))
      if (Lower(it->path().filename().string()) == wanted) matches.push_back(it->path());
    if (matches.empty()) return path;
    std::sort(matches.begin(), matches.end());
    found = matches.front();
  }
  return FileExists(found.string()) ? found.string() : path;
}

void BatchModeOpen(Workbench& wb, const std::string& fileName) {
  if (!fileName.empty()) {
    RunBatchFile(wb, wb.Path(fileName));
    return;
  }
  FileDialog& dialog = wb.Form1.WeightsDialog;
  dialog.InitialDir = wb.ProgramDir;
  if (!wb.Plat.Execute(dialog)) return;
  RunBatchFile(wb, dialog.FileName);
}

void RunBatchFile(Workbench& wb, const std::string& fileName) {
  FlagGuard<bool> batch(wb.BatchMode, true);
  BatchRunner(wb, fileName).Run();
}

}  // namespace wl
