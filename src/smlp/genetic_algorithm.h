#pragma once
// The genetic algorithm over the 0/1 weights of a step network: roulette-wheel selection by a fitness
// taken from the network's error, one-point crossover and random bit flips, logged to ResultsPrefix +
// "_GA.txt" (restarted every 50 generations). Mode 1 ("Genetic Alg.") evolves the hidden layer of a small
// three-layer SMLP (four inputs, four hidden units, two per class); mode 5 evolves the five-layer N-of-M
// network its run has built.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace wl {

struct Workbench;
class TForm1;

// One run's population: P chromosomes of L bits (row layout R rows of C + 1 bits, 0 = none), the next
// generation, the roulette wheel (P x 100 slots, Filled of them in use), the error of the individual
// evaluated last, and the log.
struct GARun {
  int P = 0, L = 0, R = 0, C = 0;
  std::vector<std::uint8_t> Population, Next;
  std::vector<int> Roulette;
  int Filled = 0;
  double ER = 0.0;
  AtomicOfstream Log{AtomicOfstream::RunLog};  // kept as far as the run got when an error ends it
  std::string LogName;

  std::uint8_t* Individual(int p) { return Population.data() + static_cast<std::size_t>(p) * L; }
  std::uint8_t* NextIndividual(int p) { return Next.data() + static_cast<std::size_t>(p) * L; }
  void WriteLog(const std::string& line);
};

// The whole run of mode 1 or 5. Refuses, after a message, without a data set, with invalid parameters, a
// population below 1 or (mode 1) a network other than four inputs and four hidden units, two per class.
void RunGeneticAlgorithm(Workbench& wb, std::uint8_t mode);

// The population and mutation fields as the run converts and checks them, told before its first change:
// the message that would refuse the run ("Population must be at least 1", a conversion's), or "". A
// command that runs the algorithm after building a network of its own ("N of M 5") asks it first.
std::string GAFieldsRefusal(const TForm1& form);

// Mode 1's network: the three-layer SMLP of four inputs, hidden units of 1/0 input weights (drawn) and
// threshold 1.5, outputs with threshold 0.5; NetType 3, the SMLP tab's unit kind, every feature seen when
// FeatureMask does not fit the data set. Sets run.L, R and C. False after a message when the data set or
// the hidden units per class do not give that network.
bool GAStartSMLP(Workbench& wb, GARun& run);

// The tables and the first population: every bit drawn (mode 1, or no row layout), else the first C bits
// of each row of C + 1 drawn and the last left 0, never past the chromosome's end.
void GAInitPopulation(Workbench& wb, GARun& run, std::uint8_t mode);

// Individual p into the network: mode 1 bit r x (C + 1) + c is weight c of hidden unit r; mode 5 group g
// goes into the units of class 0, g x NumOfClasses (the units FiveLayerError reads).
void GADecodeSMLP(Workbench& wb, GARun& run, int p);
void GADecodeNofM(Workbench& wb, GARun& run, int p);

// The fitness passes: each individual decoded and evaluated, its roulette slots filled. Mode 1 stops at
// an individual whose error is below 0.2 (the network keeps it); mode 5's fitness is 0 from an error of
// 0.7 x NumOfVectors on.
void GAFitnessSMLP(Workbench& wb, GARun& run);
void GAFitnessNofM(Workbench& wb, GARun& run);

// `flips` random bit flips of the population.
void GAMutate(Workbench& wb, GARun& run, int flips);
// The flips of a mutation rate (percent of the population size): Round(rate x 0.01 x P).
int GAMutationCount(double ratePercent, int population);

// Two parents from the roulette (from the whole population when no slot is filled), a division point
// from 0 to L, and their children (tails exchanged) into the next generation.
void GACrossover(Workbench& wb, GARun& run);

// The population becomes the next generation.
void GANextGeneration(GARun& run);

}  // namespace wl
