# "VSS+SMLP Results" and "VSS+SMLP CV" convert every field they read before the first change: a field
# that holds no number, a transfer function that is none of the list, or a feature file that cannot be
# read refuses the command while the trained perceptron is still in place, whole (its weights file
# reads the same) and no fold file has been written.
clock 00:00:10.000 2
start
seed 12345
set EpochEditT2 2
check NoGTPBox
set CVEdit 3

# A three-layer perceptron on monk1 (17 one-hot inputs, 3 hidden, 2 outputs: 62 weights).
answer open DATA/monk1.dat
click Simple1
set HiddenEditT2 3
click RandomLinearInput1
expect no-message
click Discrete1change
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   -0.834704064608190"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   0.390609612949386"
select CurrentClassBox 1

# "VSS+SMLP Results": the neuron of the rules is read after the SMLP was built.
set CurrentNeuronBox "abc"
click Button13
expect message "'abc' is not a valid integer value"
click SaveCurrentWeightstoFile1
expect no-message
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   -0.834704064608190"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   0.390609612949386"
expect no-file results/monk1_86410_RE.txt
set CurrentNeuronBox "0"

# ... and so is the output weight of the SMLP it builds.
set Out2WEdit "x"
click Button13
expect message "'x' is not a valid integer value"
click SaveCurrentWeightstoFile1
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   0.390609612949386"
expect no-file results/monk1_86410_RE.txt
set Out2WEdit "1"

# A feature file that cannot be read leaves the perceptron a perceptron (its weights file has no SMLP line).
set DiscrFileEdit "no_such_features"
click Button13
expect message-containing "Cannot open file "
click SaveCurrentWeightstoFile1
expect no-message
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   -0.834704064608190"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   0.390609612949386"

# "VSS+SMLP CV": each is refused before the first fold, as is the max iteration of the folds' training.
answer open DATA/monk1.dat
click Button14
expect message-containing "Cannot open file "
expect no-file results/monk1_86410_tst0.dat
set DiscrFileEdit ""

set CurrentNeuronBox "abc"
answer open DATA/monk1.dat
click Button14
expect message "'abc' is not a valid integer value"
expect no-file results/monk1_86410_tst0.dat
set CurrentNeuronBox "0"

check OldDH2Box
set FCMAEdit ""
answer open DATA/monk1.dat
click Button14
expect message "'   ' is not a valid integer value"
expect no-file results/monk1_86410_tst0.dat
set FCMAEdit "4"

set OutTF ""
answer open DATA/monk1.dat
click Button14
expect message "Unknown transfer function 0"
expect no-file results/monk1_86410_tst0.dat
select OutTF 0

click SaveCurrentWeightstoFile1
expect no-message
expect line results/monk1_86410_FinalWeights.txt 1 "1  0  0   -0.834704064608190"
expect line results/monk1_86410_FinalWeights.txt 62 "2  1  3   0.390609612949386"

# With every field readable the folds are trained and converted.
answer open DATA/monk1.dat
click Button14
expect no-message
expect file results/monk1_86410_tst0.dat
