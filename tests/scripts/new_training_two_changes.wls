# "New Training" with the two-change methods on XOR: S2-D, its second run from the same start weights
# ("max E"), S2-R, and D2-zero, which scans the zero network and lists the improving pairs in T2.txt.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 12345
set HiddenEditT2 2
set EpochEditT2 2

check S2DT2
answer open DATA/xor.dat
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 12    NumOfVectors: 4"
expect text Label19 "Discrete - 2 changes"
expect text ep "2 / 2 / 1"
expect value modWEdit > 0
expect file results/xor_86410_InitWeights.txt

check minmax
answer open DATA/xor.dat
click TrainingT2
expect no-message
expect text ep "2 / 2 / 1"
uncheck minmax

check S2RT2
answer open DATA/xor.dat
click TrainingT2
expect no-message
expect text Label19 "Random - 2 changes"
expect text ep "2 / 2 / 1"

check D2zeroButton
answer open DATA/xor.dat
click TrainingT2
expect no-message
expect text Label19 "Zero Random - 2 changes"
expect text ep "0 / 2 / 1"
expect file T2.txt contains "N1 w1 N2 w2   MSE"

# Without a hidden layer there is nothing to pair.
set HiddenEditT2 0
answer open DATA/xor.dat
click TrainingT2
expect message "The two-change search from zero weights needs a network with a hidden layer."
