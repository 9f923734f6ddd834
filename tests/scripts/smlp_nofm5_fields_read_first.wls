# "N of M 5" builds its five-layer network and then runs the genetic algorithm, which reads the
# population and the mutation rate: both are read and checked before the network is built, so a refusal
# leaves the perceptron in place whole and writes no GA log.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 2
set PopEdit 30
check NoGTPBox
answer open DATA/monk1.dat
click Simple1
set HiddenEditT2 3
click RandomLinearInput1
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   0.811720363795757"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   -0.882381709758192"

# A population below 1.
set PopEdit "0"
click NofM51
expect message "Population must be at least 1"
expect no-file results/monk1_86410_GA.txt
click SaveCurrentWeightstoFile1
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   0.811720363795757"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   -0.882381709758192"
set PopEdit "30"

# A mutation rate that is no number.
set MutEdit "abc"
click NofM51
expect message "'abc' is not a valid floating point value"
expect no-file results/monk1_86410_GA.txt
click SaveCurrentWeightstoFile1
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   0.811720363795757"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   -0.882381709758192"
