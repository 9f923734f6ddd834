// Committees: the majority vote and its ties, "_comm.txt" written by hand-made answers, and the committee
// of "New Training" on a test file longer than its training file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "experiments/committee.h"
#include "experiments/experiment_test_env.h"
#include "experiments/text_report.h"
#include "state/workbench.h"
#include "platform/numfmt.h"
#include "shell/command.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using test::LabelledRow;
using test::ReadText;

TEST(CommitteeVote, TheMostVotesTheLowestClassOnTies) {
  struct Case {
    std::vector<int> answers;
    int classes, vote;
  };
  const Case cases[] = {
      {{1, 2, 2}, 3, 2},
      {{2, 1}, 3, 1},          // a tie: the lower class
      {{0, 2, 2, 0}, 3, 0},
      {{-1, -1}, 2, -1},       // no member named a class
      {{-1, 1, -1}, 2, 1},     // members without a class do not vote
      {{3, 3, 1}, 3, 1},       // an answer outside the classes counts for none
      {{}, 2, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(CommitteeVote(c.answers, c.classes), c.vote) << ::testing::PrintToString(c.answers);
}

class CommitteeTest : public test::ExperimentTest {};

TEST_F(CommitteeTest, TheVoteOverATestSetAndItsLines) {
  wb->NumOfVectors = 3;
  wb->NumOfClasses = 3;
  wb->VectorClass = {2, 1, 0};
  wb->CommitteeVotes = {{1, 2, 2}, {2, 1, -1}, {-1, -1, -1}};
  const std::string path = (dir / "comm.txt").string();
  {
    TextReport comm(path);
    EXPECT_NEAR(VoteOnTestSet(*wb, comm, 3, 4), 2.0 / 3.0, 1e-15);
    comm.Close();
  }
  EXPECT_EQ(ReadText(path), "1 2 2   2\n2 1 -1   1\n-1 -1 -1   0\n*********** 4 ***********\n");
}

TEST_F(CommitteeTest, ThreeNetworksOnATestFileLongerThanTheTrainingFile) {
  const std::string training = WriteDataSet("twelve.dat", test::TwelveVectors());
  std::vector<LabelledRow> longer = test::TwelveVectors();
  for (LabelledRow r : test::TwelveVectors()) {
    if (longer.size() == 16) break;
    r.X2 += 0.5;
    longer.push_back(r);
  }
  WriteDataSet("twelve.datt", longer);
  wb->Form1.CommEdit.SetText("3");
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  ASSERT_TRUE(RunCommand(*wb, [&] { TrainCommittee(*wb); }));
  EXPECT_TRUE(plat.Messages.empty()) << plat.Messages[0].Text;
  EXPECT_FALSE(wb->InCrossvalidation || wb->TestingMode || wb->CommitteeVoting);
  EXPECT_EQ(wb->NumOfVectors, 16);  // the test set stays loaded
  ASSERT_EQ(wb->CommitteeVotes.size(), 16u);

  // Every vector of the test set has three answers; the vote over them is the committee's accuracy.
  const std::vector<std::string> comm = ResultLines("twelve_86410_comm.txt");
  ASSERT_EQ(comm.size(), 17u);
  EXPECT_EQ(comm[16], "*********** 0 ***********");
  int correct = 0;
  for (int v = 0; v < 16; ++v) {
    int a[3], truth = 0;
    ASSERT_EQ(std::sscanf(comm[static_cast<std::size_t>(v)].c_str(), "%d %d %d   %d", &a[0], &a[1], &a[2], &truth), 4);
    EXPECT_EQ(truth, longer[static_cast<std::size_t>(v)].Label - 1);
    if (CommitteeVote(a, 2) == truth) ++correct;
  }
  const std::vector<std::string> cv = ResultLines("twelve_86410_CV.txt");
  ASSERT_EQ(cv.size(), 3u);
  const std::string test = FormatFixed(correct / 16.0, 5);
  ASSERT_EQ(cv[0].size(), 36u) << cv[0];
  EXPECT_EQ(cv[0].substr(0, 10), "training= ");
  EXPECT_EQ(cv[0].substr(17), "      test= " + test);
  EXPECT_EQ(cv[1], "");
  EXPECT_EQ(cv[2], "TRAINING= " + cv[0].substr(10, 7) + "      TEST= " + test);

  // The members' tests are reported in "_CVRE.txt"; no weights are saved.
  const std::string re = ReadText(Results("twelve_86410_CVRE.txt"));
  EXPECT_EQ(re.find(training + " (- crossvalidation)"), std::string::npos);  // the test set is reported
  const std::string header = training + "t (- crossvalidation)";
  std::size_t reports = 0;
  for (std::size_t at = re.find(header); at != std::string::npos; at = re.find(header, at + 1)) ++reports;
  EXPECT_EQ(reports, 3u);
  EXPECT_TRUE(fs::exists(Results("twelve_86410_param.txt")));
  EXPECT_FALSE(fs::exists(Results("twelve_86410_InitWeights.txt")));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"twelve_86410_CV.txt"}));
}

TEST_F(CommitteeTest, WithoutItsTestFileNothingIsTrained) {
  WriteDataSet("twelve.dat", test::TwelveVectors());
  wb->Form1.CommEdit.SetText("3");
  plat.OpenAnswers.push_back("DATA/twelve.dat");
  TrainCommittee(*wb);
  ASSERT_EQ(plat.Messages.size(), 1u);
  EXPECT_EQ(plat.Messages[0].Text, "The committee's test set " + (dir / "DATA" / "twelve.datt").string() +
                                       " does not exist: it is the training file's name with \"t\" appended.");
  EXPECT_TRUE(fs::is_empty(dir / "results"));
  EXPECT_TRUE(wb->Net.empty());

  // A cancelled dialog does nothing at all.
  plat.Messages.clear();
  plat.OpenAnswers.push_back(std::nullopt);
  TrainCommittee(*wb);
  EXPECT_TRUE(plat.Messages.empty());
}

}  // namespace
}  // namespace wl
