#pragma once
// Committees: several networks trained on the same file, each tested on the same test set, whose answers
// are combined by majority vote. A crossvalidation fold with "Committee" above 1 votes this way, and
// "New Training" with a committee size above 1 trains one on a fixed training and test file.
#include <cstdint>
#include <span>

namespace wl {

struct Workbench;
class TextReport;

// The committee's class from the members' answers (a class index, -1 for a member without one): the
// class with the most votes, the lowest of equal ones; -1 when no member named a class.
int CommitteeVote(std::span<const int> answers, int numClasses);

// CommitteeVotes grown to at least `vectors` rows of `members` answers; recorded answers are kept, new
// places hold -1.
void SizeCommitteeVotes(Workbench& wb, int vectors, int members);

// The committee's two-class counts over a test set, as the error functions count a single network's
// (target: class 0, or the current class with "Default Class 0").
struct CommitteeTally {
  int TruePredT = 0, TruePredN = 0, NegPredN = 0, NegPredT = 0;
};

// The vote over the test set just evaluated: one line per vector in "_comm.txt" (each member's answer and
// a blank, then two blanks and the true class) and the fold's marker line. Returns the share of vectors
// whose class the committee named; with tally, also the committee's two-class counts.
double VoteOnTestSet(Workbench& wb, TextReport& comm, int members, int fold, CommitteeTally* tally = nullptr);

// The committee of "New Training": asks for the training file; the test file is its full name with "t"
// appended. CommEdit members are trained by the variable step search and tested; the members' reports go
// to "_CVRE.txt", the answers to "_comm.txt" and the accuracies to "_CV.txt", which is opened in the
// editor. Refused with a message (nothing written) when the test file does not exist or the size is
// below 1.
void TrainCommittee(Workbench& wb);

}  // namespace wl
