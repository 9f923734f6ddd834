# Refusals that say what the user must do first, naming the file where one is read.
clock 00:00:10.000 1
start
# A network is built for a data set: none has been read yet.
click RandomValues
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."
click DeterministicValues
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."
# The progress plot of no run.
click GTP.ResizeButton
expect message "No training has been recorded yet. Train the network first, then resize its progress plot."

# "WM Error" given a data file instead of a weight matrix: the file and its line are named.
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click DeterministicValues
expect no-message
answer open DATA/xor.dat
click Button7
expect message-containing "DATA/xor.dat, line 1: '#' is not a weight. Choose a weight matrix of this network (one row of its 12 weights per epoch"
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   1.000000000000000"
