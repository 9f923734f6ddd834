#include "experiments/committee.h"

#include <algorithm>
#include <string>
#include <vector>

#include "experiments/crossvalidation.h"
#include "state/report_opener.h"
#include "experiments/result_report.h"
#include "experiments/text_report.h"
#include "model/data_file.h"
#include "model/read_parameters.h"
#include "model/settings_file.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "platform/paths.h"
#include "training/prepare_run.h"

namespace wl {

namespace {

std::string Fixed5(double x) { return FixedDisplayText(x, 7, 5); }

}  // namespace

int CommitteeVote(std::span<const int> answers, int numClasses) {
  int best = -1, bestVotes = 0;
  for (int c = 0; c < numClasses; ++c) {
    const auto votes = static_cast<int>(std::count(answers.begin(), answers.end(), c));
    if (votes > bestVotes) {
      best = c;
      bestVotes = votes;
    }
  }
  return best;
}

void SizeCommitteeVotes(Workbench& wb, int vectors, int members) {
  auto& votes = wb.CommitteeVotes;
  if (votes.size() < static_cast<std::size_t>(std::max(0, vectors))) votes.resize(static_cast<std::size_t>(vectors));
  for (std::vector<int>& row : votes)
    if (row.size() < static_cast<std::size_t>(std::max(0, members))) row.resize(static_cast<std::size_t>(members), -1);
}

double VoteOnTestSet(Workbench& wb, TextReport& comm, int members, int fold, CommitteeTally* tally) {
  const int n = wb.NumOfVectors;
  SizeCommitteeVotes(wb, n, members);
  const int target = wb.Form1.DefClassBox.Checked() ? wb.CurrentClass : 0;
  int correct = 0;
  for (int v = 0; v < n; ++v) {
    const std::vector<int>& row = wb.CommitteeVotes[static_cast<std::size_t>(v)];
    const std::span<const int> answers(row.data(), static_cast<std::size_t>(members));
    std::string line;
    for (int a : answers) line += IntToStr(a) + " ";
    const int c = wb.VectorClass[static_cast<std::size_t>(v)];
    const bool right = CommitteeVote(answers, wb.NumOfClasses) == c;
    if (right) ++correct;
    if (tally) {
      if (c == target)
        ++(right ? tally->TruePredT : tally->TruePredN);
      else
        ++(right ? tally->NegPredN : tally->NegPredT);
    }
    comm.Line(line + "  " + IntToStr(c));
  }
  comm.Line("*********** " + IntToStr(fold) + " ***********");
  return n > 0 ? static_cast<double>(correct) / n : 0.0;
}

void TrainCommittee(Workbench& wb) {
  wb.CVFoldNo = 0;
  if (!OpenDataFile(wb, 0)) return;
  const std::string trainingFile = wb.DataFileName;
  const std::string testFile = trainingFile + "t";
  const int members = StrToInt(wb.Form1.CommEdit.Text());
  if (members < 1) {
    wb.Plat.ShowMessage("The committee size (Committee) must be at least 1.");
    return;
  }
  if (!FileExists(testFile)) {
    wb.Plat.ShowMessage("The committee's test set " + testFile +
                        " does not exist: it is the training file's name with \"t\" appended.");
    return;
  }
  if (ReadParameters(wb)) return;
  SaveSettings(wb, true);
  FlagGuard<bool> inCrossvalidation(wb.InCrossvalidation, true);

  struct CloseOnError {
    Workbench& wb;
    ~CloseOnError() {
      if (!wb.ResultsFile.is_open()) return;
      wb.ResultsFile.close();
      wb.ResultsFile.clear();
    }
  } closeOnError{wb};
  wb.ResultsFileName = wb.ResultsPrefix + "_CVRE.txt";
  OpenResultsFile(wb, wb.ResultsFileName, false);
  TextReport cvFile(wb.ResultsPrefix + "_CV.txt");
  // Sized for the test set once it has been read.
  wb.CommitteeVotes.clear();
  TextReport comm(wb.ResultsPrefix + "_comm.txt");

  double training = 0.0;
  for (int b = 0; b < members; ++b) {
    wb.CommitteeMember = b;
    if (!TrainOnFile(wb, trainingFile, 3)) return;
    training += wb.SuccessRate / members;
    FlagGuard<bool> voting(wb.CommitteeVoting, true);
    TestOnFile(wb, testFile, 3);
  }
  cvFile.Write("training= " + Fixed5(training) + "      ");
  const double test = VoteOnTestSet(wb, comm, members, 0);
  cvFile.Line("test= " + Fixed5(test));

  CloseResultsFile(wb);
  cvFile.Line();
  cvFile.Line("TRAINING= " + Fixed5(training) + "      TEST= " + Fixed5(test));
  cvFile.Close();
  ShowInNotepad(wb, "notepad.exe " + cvFile.Path());
  comm.Close();
}

}  // namespace wl
