# The feature expansion reads the count of features to add ("Ranking") before the run changes anything:
# a text that is no number stops it with the perceptron in place and "Hidden L2" as they were.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
set HiddenEditT2 5
click RandomLinearInput1
expect no-message
check FExpandBox
set RankingEdit "abc"
click SMLP1change
expect message "'abc' is not a valid integer value"
expect value HiddenEditT2 = 5
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_rs-trn.txt contains "number of hidden neurons per input 5"
