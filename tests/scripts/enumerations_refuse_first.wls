# "OldPlot" and "NewPlot" enumerate a step network of four inputs and four hidden units at least. One that
# the data set and the hidden neurons per class cannot give is refused before the run changes anything:
# the trained perceptron stays in place, weight for weight, and so do "Hidden L2" and the data set.
copy ../data/xor_discrete.dat DATA/
clock 00:00:10.000 2
start
seed 12345
set EpochEditT2 2
check NoGTPBox
answer open DATA/iris.dat
click Simple1
set HiddenEditT2 4
click RandomLinearInput1
expect no-message
click Discrete1change
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/iris_86410_FinalWeights.txt 35 "2  2  4   0.170011128776124"

# One hidden neuron per class of iris's three: three hidden units.
click OldPlot1
expect message "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set would have 3 hidden neurons (1 per class). Set more hidden neurons per class."
click AllNeurons2ch1
expect message "\"NewPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set would have 3 hidden neurons (1 per class). Set more hidden neurons per class."
expect value HiddenEditT2 = 4
click SaveCurrentWeightstoFile1
expect no-message
expect line results/iris_86410_FinalWeights.txt 35 "2  2  4   0.170011128776124"
click OnTrainingSet1
expect no-message
expect file results/iris_86410_rs-trn.txt contains "number of hidden neurons per input 4"
click Discrete1change
expect no-message

# The discrete XOR set: four inputs, and two classes of one hidden neuron.
answer open DATA/xor_discrete.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
click OldPlot1
expect message "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set would have 4 inputs and 2 hidden neurons (1 per class). Set more hidden neurons per class."
expect value HiddenEditT2 = 2
click OnTrainingSet1
expect no-message
