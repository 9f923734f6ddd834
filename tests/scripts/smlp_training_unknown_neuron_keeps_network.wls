# "SMLP Training" of one class on a neuron the class's network will not have: refused before the
# network in place (the xor perceptron) is replaced by the single-class step network.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click DeterministicValues
expect no-message
set CurrentNeuronBox "3"
answer open DATA/xor.dat
click Button5
expect message "The neuron 3 does not exist: the network has hidden neurons 0 to 0."
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_10_FinalWeights.txt 12 "2  1  2   -1.000000000000000"
