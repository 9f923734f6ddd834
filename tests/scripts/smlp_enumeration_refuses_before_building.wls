# The enumerations ("NewPlot", "OldPlot") need a network of four inputs and four hidden units. On a data
# set of continuous features the inputs are known only once the run has discretized them: the run then
# refuses before it writes the hidden-neuron field or replaces the network in place.
clock 00:00:10.000 2
start
seed 5
set EpochEditT2 2
check NoGTPBox
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 3
click RandomLinearInput1
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.686200606636703"
expect line results/xor_86410_FinalWeights.txt 17 "2  1  3   0.659212882630527"

# L-units on xor: two continuous features of two runs each give four inputs at most.
check lunitsbox
click AllNeurons2ch1
expect message-containing "\"NewPlot\" needs a network of at least four inputs and four hidden neurons; this one has "
expect value HiddenEditT2 = 3
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.686200606636703"
expect line results/xor_86410_FinalWeights.txt 17 "2  1  3   0.659212882630527"
click OldPlot1
expect message-containing "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; this one has "
expect value HiddenEditT2 = 3
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.686200606636703"
expect line results/xor_86410_FinalWeights.txt 17 "2  1  3   0.659212882630527"
