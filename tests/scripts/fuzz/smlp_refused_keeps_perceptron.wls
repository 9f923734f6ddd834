# Found by the command-sequence fuzzer (seed 600037). The SMLP crossvalidation refused before it built a
# network (here: a continuous set it cannot discretize) leaves the perceptron in place described as one:
# its report and its training go on as before.
clock 00:00:10.000 2
start
seed 600037
answer open DATA/iris.dat
click Simple1
set HiddenEditT2 3
click RandomValues
expect no-message
set PrecEdit1 "abc"
answer open DATA/iris.dat
click SMLPcrossvalidation1
expect message-containing "decimals of the interval labels"
click OnTrainingSet1
expect no-message
set EpochEditT2 2
click Discrete1change
expect no-message
