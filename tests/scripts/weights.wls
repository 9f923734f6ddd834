# The "Weights" menu and the "EL F" button: saving, showing and loading weights files, a file that does
# not fit the network, and the data set reduced to the features whose weights grew.
clock 00:00:10.000 1
start

# Before a data set there is no results prefix to name the file after.
click SaveCurrentWeightstoFile1
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."

answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
# Deterministic weights: the initial-weight range everywhere, its negative for the thresholds.
click DeterministicValues
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   1.000000000000000"
expect line results/xor_10_FinalWeights.txt 3 "1  0  2   -1.000000000000000"
expect line results/xor_10_FinalWeights.txt 12 "2  1  2   -1.000000000000000"

# "Show Weights" writes the same file and opens it in the editor.
click ShowWeights1
expect editor results/xor_10_FinalWeights.txt

# Other weights, then the saved ones loaded back; the dialog opens in the results folder.
set InitEdit 0.5
click DeterministicValues
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   0.500000000000000"
copy ../data/weights_xor_grown.txt DATA/
answer open DATA/weights_xor_grown.txt
click LoadWeightsfromFile1
expect message-containing "DATA/weights_xor_grown.txt set 2 of the 12 weights of the network; the others keep the initial values of the rebuilt network"
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   2.500000000000000"
expect line results/xor_10_FinalWeights.txt 2 "1  0  1   0.500000000000000"
expect line results/xor_10_FinalWeights.txt 5 "1  1  1   -0.250000000000000"

# A cancelled dialog leaves the network as it is.
answer open cancel
click LoadWeightsfromFile1
expect no-message
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   2.500000000000000"

# A file naming a neuron the network lacks is refused with its name and line; the network stays.
copy ../data/weights_bad_index.txt DATA/
answer open DATA/weights_bad_index.txt
click LoadWeightsfromFile1
expect message-containing "DATA/weights_bad_index.txt, line 2: layer 1 has no neuron 5"
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   2.500000000000000"

# "EL F" keeps x1, whose weight grew beyond 1.01 times the initial range (0.5); x2 goes.
click ELFButton
expect no-message
expect line results/xor_10_elf.dat 1 "Number of features = 2"
expect line results/xor_10_elf.dat 2 "Number of Vectors = 4"
expect line results/xor_10_elf.dat 3 "Class Column No = 2"
expect line results/xor_10_elf.dat 4 "Feature[1] = x1  continuous"
expect line results/xor_10_elf.dat 5 "Feature[2] = Class  discrete  2  0  1"
expect line results/xor_10_elf.dat 6 "[DATA]"
expect line results/xor_10_elf.dat 7 "-0.866025403784439  0"
expect line results/xor_10_elf.dat 10 "0.866025403784439  0"
