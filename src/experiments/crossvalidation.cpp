#include "experiments/crossvalidation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>

#include "experiments/committee.h"
#include "state/report_opener.h"
#include "experiments/result_report.h"
#include "experiments/text_report.h"
#include "model/create_network.h"
#include "model/data_file.h"
#include "model/layer_transfer.h"
#include "model/read_parameters.h"
#include "model/settings_file.h"
#include "state/hooks.h"
#include "state/workbench.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/numfmt.h"
#include "platform/rounding.h"
#include "platform/text_file.h"
#include "training/ng_train.h"
#include "training/one_change.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

using FileTrainer = void (*)(Workbench&);

void TrainVSSOnFile(Workbench& wb) { TrainOneChange(wb, 2); }
void TrainNGOnFile(Workbench& wb) { NGTrain(wb, 1); }

// The methods and what trains a network on a fold's training file. A method without a trainer is not
// available yet and is refused before anything is asked.
// A step method's network is trained and tested by the step networks (smlp/smlp_crossvalidation.h, through
// the hooks table) and tested by its rules.
struct CVMethodRow {
  std::uint8_t Method;
  const char* Command;  // the menu item (or button) that starts it
  FileTrainer Train;
  bool Step;
};

const CVMethodRow kCVMethods[] = {
    {1, "SMLP crossvalidation", nullptr, true},
    {2, "NG crossvalidation", &TrainNGOnFile, false},
    {3, "VSS Crossvalidation", &TrainVSSOnFile, false},
    {4, "VSS+SMLP CV", nullptr, true},
};

bool Available(const CVMethodRow* row) { return row && (row->Train || row->Step); }

// The single-class rules file of a step method's run ("_CVRE.txt") is closed when an error ends the run.
class RulesFileGuard {
 public:
  explicit RulesFileGuard(Workbench& wb) : wb_(wb) {}
  ~RulesFileGuard() {
    if (!wb_.SMLPRulesFile.is_open()) return;
    wb_.SMLPRulesFile.close();
    wb_.SMLPRulesFile.clear();
  }
  RulesFileGuard(const RulesFileGuard&) = delete;
  RulesFileGuard& operator=(const RulesFileGuard&) = delete;

 private:
  Workbench& wb_;
};

const CVMethodRow* MethodRow(std::uint8_t method) {
  for (const CVMethodRow& row : kCVMethods)
    if (row.Method == method) return &row;
  return nullptr;
}

std::string Fixed5(double x) { return FixedDisplayText(x, 7, 5); }
std::string Fixed4(double x) { return FixedDisplayText(x, 10, 4); }

std::string LowerTrimmed(const std::string& s) {
  std::string t = Trim(s);
  for (char& c : t)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return t;
}

// The number of folds the main window asks for on N vectors; 0 when it asks for none.
int FoldCount(const TForm1& f, int n) {
  if (f.CVButton.Checked()) return StrToInt(Trim(f.CVEdit.Text()));
  if (!f.LxoButton.Checked()) return 0;
  const double x = StrToFloat(f.LxoEdit.Text());
  if (!(x > 0.0)) return 0;
  const double k = std::nearbyint(n / x);
  return k > INT_MAX ? INT_MAX : RoundInt(k);
}

// What an experiment needs, checked before any file is written: the message that refuses it, or "".
std::string ExperimentRefusal(const TForm1& f, int runs, int folds, int members, int n) {
  if (runs < 1) return "The number of crossvalidation runs (CV runs) must be at least 1.";
  if (f.LxoButton.Checked() && !f.CVButton.Checked() && !(StrToFloat(f.LxoEdit.Text()) > 0.0))
    return "The number of vectors left out per fold (Left out) must be above 0.";
  if (members < 1) return "The committee size (Committee) must be at least 1.";
  if (n < 4) return "Crossvalidation needs at least 4 vectors; the data set has " + IntToStr(n) + ".";
  if (folds < 2 || folds > 0.5 * n)
    return "Crossvalidation of " + IntToStr(n) + " vectors needs from 2 to " + IntToStr(n / 2) + " folds; " +
           IntToStr(folds) + " folds were asked for.";
  return "";
}

// The per-run arrays: R + 1 entries each (the last for the totals), all 0; the fold accuracies R x K.
void SizeCounters(Workbench& wb, int runs, int folds, int members) {
  const auto entries = static_cast<std::size_t>(runs) + 1;
  for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT, &wb.CVCorrect,
                                 &wb.CVWeightedCorrect, &wb.CVTrainAccuracy})
    a->assign(entries, 0.0);
  if (members > 1)
    wb.CVMemberTestAccuracy.assign(entries, 0.0);
  else
    wb.CVMemberTestAccuracy.clear();
  wb.CVFoldAccuracy.assign(static_cast<std::size_t>(runs) * static_cast<std::size_t>(folds), 0.0);
}

// The open ResultsFile of a run or a committee is closed when an error ends it.
class ResultsFileGuard {
 public:
  explicit ResultsFileGuard(Workbench& wb) : wb_(wb) {}
  ~ResultsFileGuard() {
    if (!wb_.ResultsFile.is_open()) return;
    wb_.ResultsFile.close();
    wb_.ResultsFile.clear();
  }
  ResultsFileGuard(const ResultsFileGuard&) = delete;
  ResultsFileGuard& operator=(const ResultsFileGuard&) = delete;

 private:
  Workbench& wb_;
};

// The lines of a run block and of the averages that follow "test= ".
void CounterLines(std::string& out, double tpt, double tpn, double npn, double npt) {
  if (tpt + tpn > 0) out += "Sensibility: " + Fixed4(100.0 * tpt / (tpt + tpn)) + "%\n";
  if (npn + npt > 0) out += "Specificity: " + Fixed4(100.0 * npn / (npn + npt)) + "%\n";
  out += "t/pt=" + Fixed4(tpt) + "  t/pn=" + Fixed4(tpn) + "\n";
  out += "n/pt=" + Fixed4(npt) + "  n/pn=" + Fixed4(npn) + "\n";
}

}  // namespace

std::string CrossvalidationRefusal(const Workbench& wb, std::uint8_t method) {
  const CVMethodRow* row = MethodRow(method);
  if (!row) return "There is no crossvalidation method " + IntToStr(method) + ".";
  if (!Available(row)) return std::string("\"") + row->Command + "\" is not available yet.";
  if (method == 4 && wb.Form1.CurrentClassBox.ItemIndex() < 1)
    return "\"VSS+SMLP\" turns the perceptron into the network of one class: choose a class (not \"all\") in "
           "\"Class\".";
  return "";
}

int RandomFoldSize(int n, int k) {
  const int s = RoundInt(static_cast<double>(n) / k);
  if (static_cast<std::int64_t>(k - 1) * s <= n) return s;
  return n / k;
}

std::vector<int> AssignFolds(int n, int k, bool contiguous, RandomGenerator& rng) {
  std::vector<int> fold(static_cast<std::size_t>(std::max(0, n)), -1);
  if (k < 1 || n < k) throw WlError("Cannot divide " + IntToStr(n) + " vectors into " + IntToStr(k) + " folds.");
  if (contiguous) {
    for (int f = 0; f < k; ++f) {
      const int from = RoundInt(static_cast<double>(n) * f / k), to = RoundInt(static_cast<double>(n) * (f + 1) / k);
      for (int v = from; v < to; ++v) fold[static_cast<std::size_t>(v)] = f;
    }
    return fold;
  }
  const int s = RandomFoldSize(n, k);
  for (int f = 0; f < k - 1; ++f)
    for (int i = 0; i < s; ++i) {
      int v;
      do {
        v = rng.Below(n);
      } while (fold[static_cast<std::size_t>(v)] != -1);
      fold[static_cast<std::size_t>(v)] = f;
    }
  for (int& f : fold)
    if (f == -1) f = k - 1;
  return fold;
}

void WriteFoldFiles(const std::string& source, int n, const std::vector<int>& fold, int f,
                    const std::string& trainingFile, const std::string& testFile) {
  TextLineReader in;
  if (!in.Open(source)) throw FileError("Cannot open data file " + source);
  const int tests = static_cast<int>(std::count(fold.begin(), fold.begin() + std::min<std::size_t>(fold.size(), n), f));
  TextReport training(trainingFile), test(testFile);

  std::string line;
  auto next = [&]() {
    if (!in.Next(line)) {
      if (in.Failed()) throw FileError("Cannot read data file " + source);
      return false;
    }
    return true;
  };
  bool data = false;
  while (!data && next()) {
    const std::string key = LowerTrimmed(line);
    if (key.compare(0, 14, "number of vect") == 0) {
      training.Line("Number of Vectors = " + IntToStr(n - tests));
      test.Line("Number of Vectors = " + IntToStr(tests));
      continue;
    }
    training.Line(line);
    test.Line(line);
    data = key == "[data]";
  }
  if (!data) throw FileError("Data file " + source + ": no \"[DATA]\" line");
  int v = 0;
  while (v < n && next()) {
    if (Trim(line).empty()) continue;  // the reader takes no vector from a blank line either
    (fold[static_cast<std::size_t>(v)] == f ? test : training).Line(line);
    ++v;
  }
  if (v < n)
    throw FileError("Data file " + source + " ends after " + IntToStr(v) + " of its " + IntToStr(n) + " vectors");
  training.Close();
  test.Close();
}

CVStatistics ComputeCVStatistics(const std::vector<double>& a, const std::vector<double>& c) {
  CVStatistics s;
  if (a.empty() || c.empty()) return s;
  long double sum = 0;
  for (double x : a) sum += x;
  const long double m = sum / static_cast<long double>(a.size());
  // The runs' figures deviate from their own mean: runs that agree deviate by nothing, whatever their
  // folds did.
  long double runSum = 0;
  for (double x : c) runSum += x;
  const long double mc = runSum / static_cast<long double>(c.size());
  long double within = 0, across = 0;
  for (double x : a) within += (m - x) * (m - x);
  for (double x : c) across += (mc - x) * (mc - x);
  s.Mean = static_cast<double>(m);
  s.Within = static_cast<double>(std::sqrt(within / static_cast<long double>(a.size())));
  s.Across = static_cast<double>(std::sqrt(across / static_cast<long double>(c.size())));
  return s;
}

std::string MSRText(Workbench& wb, int runs, int folds) {
  const auto R = static_cast<std::size_t>(runs);
  for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT, &wb.CVCorrect,
                                 &wb.CVTrainAccuracy})
    if (a->size() < R + 1) a->resize(R + 1, 0.0);
  const std::size_t stored = std::min(wb.CVFoldAccuracy.size(), static_cast<std::size_t>(std::max(0, wb.CVFoldCount)));
  const CVStatistics st = ComputeCVStatistics(std::vector<double>(wb.CVFoldAccuracy.begin(), wb.CVFoldAccuracy.begin() + stored),
                                              std::vector<double>(wb.CVCorrect.begin(), wb.CVCorrect.begin() + R));
  for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT, &wb.CVCorrect,
                                 &wb.CVTrainAccuracy})
    (*a)[R] = 0.0;

  // A committee's figures are its votes'; the members' mean test accuracy is given beside them.
  const bool committee = wb.CVMemberTestAccuracy.size() > R;
  if (committee) {
    double sum = 0.0;
    for (std::size_t i = 0; i < R; ++i) sum += wb.CVMemberTestAccuracy[i];
    wb.CVMemberTestAccuracy[R] = runs > 0 ? sum / runs : 0.0;
  }
  std::string out;
  for (std::size_t i = 0; i < R; ++i) {
    out += "cv_run= " + IntToStr(static_cast<std::int64_t>(i) + 1) + "\n";
    out += "training= " + Fixed4(100.0 * wb.CVTrainAccuracy[i]) + "%\n";
    out += "test= " + Fixed4(100.0 * wb.CVCorrect[i]) + "%\n";
    if (committee) out += "members' test= " + Fixed4(100.0 * wb.CVMemberTestAccuracy[i]) + "%\n";
    CounterLines(out, wb.CVTruePredT[i], wb.CVTruePredN[i], wb.CVNegPredN[i], wb.CVNegPredT[i]);
    out += "\n";
    for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT, &wb.CVCorrect,
                                   &wb.CVTrainAccuracy})
      (*a)[R] += (*a)[i];
  }
  const double tested = wb.CVTruePredT[R] + wb.CVNegPredN[R] + wb.CVTruePredN[R] + wb.CVNegPredT[R];
  wb.CVCorrect[R] = tested > 0 ? (wb.CVTruePredT[R] + wb.CVNegPredN[R]) / tested : 0.0;
  for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT, &wb.CVTrainAccuracy})
    (*a)[R] /= runs;

  out += "average values in " + IntToStr(runs) + " runs of " + IntToStr(folds) + "-fold cv\n";
  out += "training= " + Fixed4(100.0 * wb.CVTrainAccuracy[R]) + "%\n";
  out += "test= " + Fixed4(100.0 * wb.CVCorrect[R]) + "%\n";
  if (committee) out += "members' test= " + Fixed4(100.0 * wb.CVMemberTestAccuracy[R]) + "%\n";
  out += "stdddev_within_cv=" + Fixed4(100.0 * st.Within) + "%\n";
  out += "stdddev_accross_cv=" + Fixed4(100.0 * st.Across) + "%\n";
  CounterLines(out, wb.CVTruePredT[R], wb.CVTruePredN[R], wb.CVNegPredN[R], wb.CVNegPredT[R]);
  return out;
}

bool TrainOnFile(Workbench& wb, const std::string& fileName, std::uint8_t method) {
  const CVMethodRow* row = MethodRow(method);
  if (!Available(row)) throw WlError(CrossvalidationRefusal(wb, method));
  ReadDataFile(wb, fileName);
  const int built = CreateNetwork(wb, 4);
  if (built != NetworkBuilt && !(row->Step && built == NetworkSmlpBuilt)) return false;
  // A step method builds its own network and leaves its accuracy on the training file.
  if (row->Step) return CallStepCVTrain(wb, method);
  const std::int64_t start = MonotonicMs();
  row->Train(wb);
  wb.ElapsedTime = MonotonicMs() - start;
  // The training accuracy is the trained network's on its whole training file (the trainer's last
  // evaluation may have been a trial it undid, or a part of the file).
  TrainingSetError(wb);
  return true;
}

void TestOnFile(Workbench& wb, const std::string& fileName, std::uint8_t method) {
  const CVMethodRow* row = MethodRow(method);
  if (!Available(row)) throw WlError(CrossvalidationRefusal(wb, method));
  if (wb.Form1.JoinWBox.Checked()) CallSignFirstLayerWeights(wb);
  FlagGuard<bool> testing(wb.TestingMode, true);
  ReadDataFile(wb, fileName);
  // The normalized accuracy weighs the vectors by the classes of the set tested.
  BalanceClasses(wb);
  if (wb.CommitteeVoting) SizeCommitteeVotes(wb, wb.NumOfVectors, wb.CommitteeMember + 1);
  if (row->Step)
    CallStepCVTest(wb, method);
  else
    WriteResultFile(wb, 12);
}

bool OneCVRun(Workbench& wb, std::uint8_t method) {
  TForm1& f = wb.Form1;
  wb.CVFoldNo = 0;
  if (wb.CVFoldCount > 0) ReadDataFile(wb, wb.CVDataFileName);
  SaveSettings(wb, true);
  FlagGuard<bool> inCrossvalidation(wb.InCrossvalidation, true);
  const CVMethodRow* row = MethodRow(method);
  const bool step = row && row->Step;
  if (step) CallStepCVRunStart(wb, method);
  const int n = wb.NumOfVectors;
  const int k = FoldCount(f, n);
  if (k < 2 || k > 0.5 * n) return false;
  const int members = StrToInt(f.CommEdit.Text());
  if (members < 1) return false;

  ResultsFileGuard closeOnError(wb);
  wb.ResultsFileName = wb.ResultsPrefix + "_RE.txt";
  OpenResultsFile(wb, wb.ResultsFileName, false);
  WriteResultsLine(wb, wb.DataFileName);

  const bool contiguous = f.NoRandomBox.Checked();
  if (!contiguous) wb.Rng.Randomize(wb.Plat.MillisecondsOfDay());
  const std::vector<int> fold = AssignFolds(n, k, contiguous, wb.Rng);
  std::vector<std::string> trainingFiles, testFiles;
  int largest = 0;
  for (int i = 0; i < k; ++i) {
    trainingFiles.push_back(wb.ResultsPrefix + "_trn" + IntToStr(i) + ".dat");
    testFiles.push_back(wb.ResultsPrefix + "_tst" + IntToStr(i) + ".dat");
    WriteFoldFiles(wb.CVDataFileName, n, fold, i, trainingFiles.back(), testFiles.back());
    largest = std::max(largest, static_cast<int>(std::count(fold.begin(), fold.end(), i)));
  }

  RulesFileGuard closeRulesOnError(wb);
  const bool singleClass = step && f.CurrentClassBox.ItemIndex() > 0;
  if (singleClass) {
    wb.SMLPRulesFileName = wb.ResultsPrefix + "_CVRE.txt";
    if (wb.SMLPRulesFile.is_open()) wb.SMLPRulesFile.close();
    wb.SMLPRulesFile.clear();
    wb.SMLPRulesFile.open(wb.SMLPRulesFileName, std::ios::binary | std::ios::trunc);
    if (!wb.SMLPRulesFile) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
  }

  TextReport cvFile(wb.ResultsPrefix + "_CV.txt");
  TextReport comm;
  if (members > 1) {
    wb.CommitteeVotes.assign(static_cast<std::size_t>(largest), std::vector<int>(static_cast<std::size_t>(members), -1));
    comm.Open(wb.ResultsPrefix + "_comm.txt");
  }
  double trainingSum = 0.0, testSum = 0.0, memberTestSum = 0.0;
  // The run's counters before a fold's members are tested: a committee's fold counts its votes instead.
  const auto run = static_cast<std::size_t>(wb.CVIndex);
  std::vector<double*> counters;
  if (wb.CVIndex >= 0)
    for (std::vector<double>* a : {&wb.CVTruePredT, &wb.CVTruePredN, &wb.CVNegPredN, &wb.CVNegPredT})
      if (run < a->size()) counters.push_back(&(*a)[run]);
  for (int i = 0; i < k; ++i) {
    double training = 0.0, test = 0.0;
    std::vector<double> before;
    for (double* c : counters) before.push_back(*c);
    for (int b = 0; b < members; ++b) {
      wb.CommitteeMember = b;
      if (!TrainOnFile(wb, trainingFiles[static_cast<std::size_t>(i)], method)) return false;
      training += wb.SuccessRate / members;
      {
        FlagGuard<bool> voting(wb.CommitteeVoting, members > 1);
        TestOnFile(wb, testFiles[static_cast<std::size_t>(i)], method);
      }
      test += wb.TestSuccessRate / members;
    }
    memberTestSum += test;
    if (members > 1) {
      CommitteeTally tally;
      test = VoteOnTestSet(wb, comm, members, i, &tally);
      if (counters.size() == 4) {
        const int votes[] = {tally.TruePredT, tally.TruePredN, tally.NegPredN, tally.NegPredT};
        for (std::size_t c = 0; c < 4; ++c) *counters[c] = before[c] + votes[c];
      }
    }
    cvFile.Line("training= " + Fixed5(training) + "      test= " + Fixed5(test));
    if (wb.CVFoldCount >= 0 && static_cast<std::size_t>(wb.CVFoldCount) < wb.CVFoldAccuracy.size())
      wb.CVFoldAccuracy[static_cast<std::size_t>(wb.CVFoldCount)] = test;
    ++wb.CVFoldCount;
    ++wb.CVFoldNo;
    trainingSum += training;
    testSum += test;
  }

  CloseResultsFile(wb);
  if (wb.CVIndex >= 0 && static_cast<std::size_t>(wb.CVIndex) < wb.CVTrainAccuracy.size())
    wb.CVTrainAccuracy[static_cast<std::size_t>(wb.CVIndex)] = trainingSum / k;
  if (wb.CVIndex >= 0 && run < wb.CVMemberTestAccuracy.size()) wb.CVMemberTestAccuracy[run] = memberTestSum / k;
  cvFile.Line();
  cvFile.Line("TRAINING= " + Fixed5(trainingSum / k) + "      TEST= " + Fixed5(testSum / k));
  cvFile.Close();
  const bool oneRun = StrToInt(Trim(f.NumCVEdit.Text())) == 1;
  if (oneRun) ShowInNotepad(wb, "notepad.exe " + cvFile.Path());
  if (members > 1) comm.Close();
  if (singleClass) {
    wb.SMLPRulesFile.close();
    if (wb.SMLPRulesFile.fail()) throw FileError("Cannot write file " + wb.SMLPRulesFileName);
    if (oneRun) ShowInNotepad(wb, "notepad.exe " + wb.SMLPRulesFileName);
    wb.ResultsFileName.clear();
  }
  return true;
}

void RunCrossvalidation(Workbench& wb, std::uint8_t method) {
  const std::string refusal = CrossvalidationRefusal(wb, method);
  if (!refusal.empty()) {
    wb.Plat.ShowMessage(refusal);
    return;
  }
  if (!OpenDataFile(wb, 0)) return;
  wb.CVDataFileName = wb.DataFileName;
  wb.CVFoldCount = 0;

  TForm1& f = wb.Form1;
  const int n = wb.NumOfVectors;
  const int runs = StrToInt(Trim(f.NumCVEdit.Text()));
  const int folds = FoldCount(f, n);
  const int members = StrToInt(f.CommEdit.Text());
  std::string problem = ExperimentRefusal(f, runs, folds, members, n);
  // The step networks record no committee votes.
  if (problem.empty() && members > 1 && MethodRow(method)->Step)
    problem = "A committee of SMLP networks cannot vote: set Committee to 1.";
  if (!problem.empty()) {
    wb.Plat.ShowMessage(problem);
    return;
  }
  // Parameters that the networks could not be built with would end the first fold, after the files.
  if (ReadParameters(wb)) return;
  // So would a field of the method's trainer that the first fold converts after building its network.
  if (method == 3 || method == 4)
    if (const std::string refusal = OneChangeFieldsRefusal(f); !refusal.empty()) {
      wb.Plat.ShowMessage(refusal);
      return;
    }
  if (method == 2) ReadAllFirst(NGFieldReads(f, 1, wb.NumOfEpochs));
  // So would a step method's own refusal: its start is made once before anything of the runs changes.
  if (const CVMethodRow* row = MethodRow(method); row && row->Step) CallStepCVRunStart(wb, method);
  SizeCounters(wb, runs, folds, members);

  for (int r = 1; r <= runs; ++r) {
    wb.CVIndex = r - 1;
    f.NTButton.SetCaption("i= " + IntToStr(r));
    f.NTButton.Repaint();
    if (!OneCVRun(wb, method)) return;
    const auto i = static_cast<std::size_t>(r - 1);
    const double tested = wb.CVTruePredT[i] + wb.CVNegPredN[i] + wb.CVTruePredN[i] + wb.CVNegPredT[i];
    wb.CVCorrect[i] = tested > 0 ? (wb.CVTruePredT[i] + wb.CVNegPredN[i]) / tested : 0.0;
  }

  TextReport msr(wb.ResultsPrefix + "_MSR.txt");
  msr.Write(MSRText(wb, runs, folds));
  msr.Close();
  ShowInNotepad(wb, "notepad.exe " + msr.Path());
}

}  // namespace wl
