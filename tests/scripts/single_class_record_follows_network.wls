# The rules of a single-class network are written only while that network is in place and fits the data
# set in memory: a network of another kind built afterwards (an N-of-M network, a perceptron) or another
# data set is reported as what it is.
clock 00:00:10.000 2
start
seed 5
check NoGTPBox
set EpochEditT2 2
set CVEdit 3
select CurrentClassBox 1
check S1SMLPButton

# The single-class crossvalidation on iris, then the four-layer N-of-M network: the report is that of
# the N-of-M network, not the single-class rules read from its weights.
answer open DATA/iris.dat
click SMLPcrossvalidation1
expect no-message
click NofM1
expect no-message
click OnTrainingSet1
expect no-message
expect file results/iris_86410_RE.txt contains "four layers (or more?)"
expect file results/iris_86410_RE.txt contains "Rules agree with the network on 50 of 50 vectors"

# "SMLP Training" of class 0 on xor, then monk1 opened: the xor network does not fit it.
answer open DATA/xor.dat
click Button5
expect no-message
expect file results/xor_86410_RE.txt contains "[Rules for Neuron nr 0]"
answer open DATA/monk1.dat
click Simple1
click OnTrainingSet1
expect message "The SMLP network does not fit the data set. Train the network again."
click SMLPContButton
expect message "There is no single-class network to continue: run \"SMLP Training\" with a class first."

# The N-of-M network on monk1 is then reported as such.
click NofM1
expect no-message
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "four layers (or more?)"

# A perceptron built after a single-class network has its own result report.
answer open DATA/xor.dat
click Button5
expect no-message
click RandomLinearInput1
expect no-message
click OnTrainingSet1
expect no-message
click SMLPContButton
expect message "There is no single-class network to continue: run \"SMLP Training\" with a class first."
