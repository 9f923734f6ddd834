# "VSS+SMLP CV" converts a three-layer perceptron of the SMLP's inputs on every fold. Folds whose
# perceptrons could not be converted (continuous features, a four-layer network asked for, the class
# "all") are refused before the first fold: the perceptron in place keeps its layers and weights, and no
# fold file is written.
clock 00:00:10.000 2
start
seed 12345
set EpochEditT2 2
check NoGTPBox
set CVEdit 3

# A four-layer perceptron on iris.
answer open DATA/iris.dat
click Simple1
set HiddenEditT2 3
set Hid3EditT2 2
click RandomLinearInput1
expect no-message
click Discrete1change
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/iris_86410_FinalWeights.txt 32 "3  2  2   0.863343036951624"

select CurrentClassBox 1
answer open DATA/iris.dat
click Button14
expect message "\"VSS+SMLP\" converts a three-layer perceptron whose inputs are the SMLP's (one per value of every discrete feature). Train such a perceptron first (New Training on a data set of discrete features)."
expect no-file results/iris_86410_tst0.dat
expect text NTButton "Continue training"
expect value HiddenEditT2 = 3
expect value Hid3EditT2 = 2
click SaveCurrentWeightstoFile1
expect line results/iris_86410_FinalWeights.txt 32 "3  2  2   0.863343036951624"
click Discrete1change
expect no-message

# Three layers asked for, on the continuous set: still refused.
set Hid3EditT2 0
answer open DATA/iris.dat
click Button14
expect message-containing "converts a three-layer perceptron"
expect no-file results/iris_86410_tst0.dat

# monk1's features are discrete, but four layers are asked for.
set Hid3EditT2 2
answer open DATA/monk1.dat
click Button14
expect message-containing "converts a three-layer perceptron"
expect no-file results/monk1_86410_tst0.dat

# The class "all" is refused as well, before the dialog.
set Hid3EditT2 0
select CurrentClassBox 0
click Button14
expect message "\"VSS+SMLP\" turns the perceptron into the network of one class: choose a class (not \"all\") in \"Class\"."
expect no-file results/monk1_86410_tst0.dat

# Three layers on monk1 with a class: the folds are trained and converted.
select CurrentClassBox 1
answer open DATA/monk1.dat
click Button14
expect no-message
expect file results/monk1_86410_tst0.dat
expect text NTButton "Continue Training"
