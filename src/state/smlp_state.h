#pragma once
// The program-wide state of the step-function (SMLP) networks.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "state/network.h"

namespace wl {

// An output file that assigning the state does not take along (a worker's copy of the program-wide
// variables keeps its own, closed file).
struct UncopiedOfstream : AtomicOfstream {
  explicit UncopiedOfstream(Kind kind) : AtomicOfstream(kind) {}
  UncopiedOfstream& operator=(const UncopiedOfstream&) { return *this; }
};

// A pair change of the single-class S2 search that lowered the error.
struct TPairCandidate {
  double Error = 0.0;   // error after the pair change
  double Rate = 0.0;    // success rate after it
  double WeightI = 0.0;  // new weight of the first input
  double WeightJ = 0.0;  // new weight of the second input
  std::int32_t InputI = 0, InputJ = 0;
};

// One hidden weight's record of the discrete numerical gradient: the error decrease of its better whole
// step (positive for +1, negative for -1, 0 when neither lowers the error), the neuron, the weight index
// (Layers[0] = the threshold), the feature whose inputs hold it (-1 for the threshold) and the neuron's
// rank within its class.
struct TGradRecord {
  double Gain = 0.0;
  std::int32_t Neuron = 0;
  std::int32_t Input = 0;
  std::int32_t Feature = 0;
  std::int32_t Group = 0;
};

// A feature's share of the gradient: the sum of |Gain| over its records.
struct TFeatureGradient {
  double Sum = 0.0;
  std::int32_t Feature = 0;
};

struct SmlpState {
  int CurrentClass = 0;  // the class of a single-class network, -1 for a network of all classes
  int CurrentNeuron = 0;  // the hidden neuron the single-class trainers work on
  // True while the network in Net is one a single-class trainer built (its rules are written per class);
  // every network of all classes clears it.
  bool SingleClassNet = false;
  // SMLP networks built so far: tells a command whether its run got as far as building one.
  int SMLPBuilds = 0;

  // Per feature, 1/0: the features a run may use (all, or the "include" list of the discretization file),
  // and the features the network currently sees (the inputs of a masked feature are held at 0).
  std::vector<int> FeatureAvailable;
  std::vector<int> FeatureMask;
  // Per feature: the number of value slots of its one-hot coding.
  std::vector<int> FeatureValueCount;
  int NumOfContinuous = 0;      // continuous features of the data set the run started with
  std::uint8_t LUnitsMode = 0;  // 0 plain SMLP, 1 L-units, 7 constant or merging L training
  int OptMet = 0;               // 1 after one-change, 2 after two-change SMLP training

  // The last evaluation (EvaluateNetwork): per vector 1 when classified correctly, per class the vectors
  // classified correctly.
  std::vector<std::uint8_t> VectorCorrect;
  std::vector<int> ClassCorrectCount;
  // Feature reduction: the accuracy of the network trained without each feature in turn.
  std::vector<double> FeatureRateHistory;
  // Working storage of the forward pass: the inputs that are 1 for the current vector.
  std::vector<int> ActiveInputs;
  // Working storage of EvaluateNetwork: per vector and feature the bits of the value it was last coded
  // from, checked against the data on every use; per vector the count of the inputs those values make hot
  // and the inputs (Features.size() + 1 places); the listing of the features they were coded with (per
  // feature NValues and the count of listed values in one word, then the values' bits), compared on every
  // call: another listing codes every vector anew; and the weights as the pass lays them out (for step
  // units by input and by term, two units side by side; for others a copy of the hidden rows with a
  // feature masked).
  std::vector<std::uint64_t> CodedBits;
  std::vector<int> CodedSlots;
  std::vector<std::uint64_t> CodedListing;
  std::vector<double> CodedWeights;

  // The single-class network: hidden neurons per class (only CurrentClass's entry is set), the pair
  // candidates of S2 (grown when a search finds more than the table holds), the rules file of a run and
  // the data file of the last "SMLP Training".
  std::vector<int> HiddenPerClass;
  std::vector<TPairCandidate> PairCandidates;
  UncopiedOfstream SMLPRulesFile{AtomicOfstream::Report};
  std::string SMLPRulesFileName;
  std::string SMLPDataFileName;

  // "NewPlot": the stored hits of the enumeration, each a copy of every hidden unit's weights (unit by unit,
  // Layers[0] + 1 each) and one flag per class (1: the class's last vector was classified correctly).
  struct TEnumCandidate {
    std::vector<double> Weights;
    std::vector<std::uint8_t> ClassFlags;
  };
  std::vector<TEnumCandidate> EnumCandidates;
  // "XNG": the step factor of the last line search (it always steps with 1).
  double XNGStepFactor = 0.0;

  // The run log ResultsPrefix + "_SMLP.txt", open during a run.
  UncopiedOfstream LogFile{AtomicOfstream::RunLog};
  std::string LogFileName;

  // The rules: [class][term] the conjunction of each hidden neuron, the class-level threshold rules by
  // feature value and by input index, and the signed rule weights [class][feature][value] of the
  // one-change (1) and two-change (2) training and their simplified combination (0).
  std::vector<std::vector<std::string>> RuleTexts;
  std::vector<std::string> ClassSumRules, ClassWeightRules;
  std::array<std::vector<std::vector<std::vector<int>>>, 3> Mlt;

  // The four-layer N-of-M network (rebuilt by each run): the kind of each N-of-M unit [group][class]
  // ("new", "or", "and", "expand"), the count of vectors in which a feature weighed in [group][class][feature],
  // the two sub-units of each expanded unit (index group x NumOfClasses + class; ExpandBuilt 1 once built),
  // one rule line per class, the count above which a feature is frequent, whether passes count FeatureUse,
  // and the number of units named "expand".
  std::vector<std::vector<std::string>> NofMKind;
  std::vector<std::vector<std::vector<int>>> FeatureUse;
  std::vector<TNeuron> ExpandAnd, ExpandNofM;
  std::vector<std::uint8_t> ExpandBuilt;
  std::vector<std::string> RuleText;
  int FrequentUseLimit = 0;
  std::uint8_t CountFeatureUse = 0;
  int ExpandCount = 0;

  // The five-layer N-of-M network: per hidden unit (group x NumOfClasses + class) an AND unit and an N-of-M
  // unit over its NumOfFeatures feature units (feature weights, threshold last), kept outside Net; the
  // error of the freshly built network.
  std::vector<TNeuron> AndUnits, NofMUnits;
  double NofMError = 0.0;
  // The genetic algorithm's chromosome: its length and the row layout (GARows rows of GAColumns + 1 bits;
  // 0 = no layout), set by mode 1 and by the five-layer builder for mode 5.
  int GALength = 0;
  int GARows = 0, GAColumns = 0;
  // The L-unit input layer (LUnitsMode 1): unit k answers 1 when b1 < x < b2; LUnitN1[k] (weights [b1,
  // 1.0]) and LUnitN2[k] ([b2, 1.0]) compare the value with the bounds, LUnitN3[k] ([1.5, 1.0, -1.0])
  // joins them. The units of a feature follow those of the features before it.
  std::vector<TNeuron> LUnitN1, LUnitN2, LUnitN3;
  // The L-net (LUnitsMode 7): [feature][interval] the three step neurons of each equal-width interval of a
  // continuous feature, as above; per feature its range over the vectors, the limits of the bound shifts.
  std::vector<std::vector<TNeuron>> LNet1, LNet2, LNet3;
  std::vector<double> LNetFeatureMin, LNetFeatureMax;
  // The discrete numerical gradient: one record per hidden weight (ordered by SortGradient) and one
  // entry per feature.
  std::vector<TGradRecord> LGradient;
  std::vector<TFeatureGradient> FeatureGradient;
};

}  // namespace wl
