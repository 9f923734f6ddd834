# Found by the command-sequence fuzzer (seed 500039). "N of M 4/5" refused on the hidden neurons per
# class leaves the network that is there, with its kind and type, and the data set as they were: the
# report "On Training Set" then reads the perceptron, not an N-of-M network that was never built.
clock 00:00:10.000 2
start
seed 500039
set HidPerOut1Edit "0"
answer open DATA/xor.dat
click Button4
expect no-message
click RandomLinearInteger1
expect no-message

# Classes with different numbers of hidden neurons: refused before the set is discretized.
click SMLP2changes
expect message "An SMLP network needs the same number of hidden neurons for every class (class 0 has 1, class 1 has 0). Set the hidden neurons of the classes alike."
click NofM1
expect message "An N-of-M network needs the same number of hidden neurons for every class (class 0 has 1, class 1 has 0). Set the hidden neurons of the classes alike."
click OnTrainingSet1
expect no-message

# No hidden neuron in any class: the N-of-M build refuses, the perceptron stays.
set HidPerOutEdit "0"
click NofM1
expect message "An N-of-M network needs at least one hidden neuron per class."
click OnTrainingSet1
expect no-message
