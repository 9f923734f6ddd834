#pragma once
// The rules of a trained SMLP: each hidden neuron of a class is a conjunction of feature=value conditions
// (its rounded weights times its output weight; negative ones negated), a class is the disjunction of its
// terms, and a class-level threshold rule sums the signed rule weights. The rules report writes them with
// the confusion matrix, the eliminated features and the success rate; Compare Rules trains by one and by
// two changes and keeps both result reports.
#include <cstdint>
#include <string>

namespace wl {

struct Workbench;

// The rules report of the current SMLP network:
//   1 training set, 2 a validation set the user chooses (discretized like the training set; a set that
//   does not fit the network is refused and the training set kept), 3 as 1 with the comparison table of
//   the rule weights: these write ResultsPrefix + "_RE.txt" and show it;
//   12, 13 write into the ResultsFile the caller holds open, without closing or showing it.
// False when nothing was written (a cancelled dialog, a refused set).
bool WriteRulesReport(Workbench& wb, std::uint8_t mode);

// Fills RuleTexts, ClassSumRules, ClassWeightRules and Mlt[OptMet] from the network and writes the
// per-class disjunction lines (an empty line first) into the open ResultsFile.
void WriteNeuronRules(Workbench& wb);

// Fills Mlt[0] from Mlt[1] and Mlt[2] (the entry of smaller magnitude, the one-change entry on a tie) and
// writes the comparison table and the simplified rules into the open ResultsFile.
void WriteSimplifiedRules(Workbench& wb);

// "Compare Rules": a data set, then the SMLP trained by one change and its result report
// (ResultsPrefix + "_1ch" + the report suffix), then by two changes and its report ("_2ch"), shown; each
// report ends with the section "[Rules]" of its network and the agreement line.
void CompareRules(Workbench& wb);

// The coefficient of term `count` (from 1) of a threshold rule with rule weight m: "" for 1, "-" for -1,
// else the integer; "+" before a positive one from the second term on; enclosed in single blanks.
std::string RuleCoefficient(int m, int count);

}  // namespace wl
