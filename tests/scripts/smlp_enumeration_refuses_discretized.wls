# The SMLP of a data set of continuous features is known only once the run has discretized them. When
# that network is too small for "NewPlot" or "OldPlot", the run refuses and leaves the continuous set in
# place (its name, its vectors, the trained perceptron's fit) and opens no run log.
copy ../data/one_continuous.dat DATA/
clock 00:00:10.000 2
start
seed 5
set EpochEditT2 2
check NoGTPBox
answer open DATA/one_continuous.dat
click Simple1
set HiddenEditT2 4
click RandomLinearInput1
expect no-message
click OnTrainingSet1
expect no-message
expect file results/one_continuous_86410_rs-trn.txt contains "one_continuous.dat (training set only)"

# Equal Number of 10 intervals: three values, three inputs; two hidden neurons per class of two.
set HidPerOutEdit 2
set HidPerOut1Edit 2
click AllNeurons2ch1
expect message "\"NewPlot\" needs a network of at least four inputs and four hidden neurons; this one has 3 inputs and 4 hidden neurons."
expect text Label18 "one_continuous.dat"
expect value HiddenEditT2 = 4
expect no-file results/one_continuous_86410_SMLP.txt
click OnTrainingSet1
expect no-message
expect file results/one_continuous_86410_rs-trn.txt contains "one_continuous.dat (training set only)"

click OldPlot1
expect message "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; this one has 3 inputs and 4 hidden neurons."
expect text Label18 "one_continuous.dat"
expect no-file results/one_continuous_86410_SMLP.txt
click OnTrainingSet1
expect no-message
expect file results/one_continuous_86410_rs-trn.txt contains "one_continuous.dat (training set only)"

# Equal Distance of 2 intervals: two inputs; refused the same way, and the set is discretized again from
# the continuous values by a run that goes on.
check EqDistanceButton
set slEdit 2
click OldPlot1
expect message "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; this one has 2 inputs and 4 hidden neurons."
expect text Label18 "one_continuous.dat"
expect no-file results/one_continuous_86410_SMLP.txt
click SMLP1change
expect no-message
expect file results/one_continuous_86410_SMLP.txt
expect text Label18 "one_continuous_86410_trnd.dat"
