# "New Training" on iris with the variable step search (fixed seed and clock), then the report on the
# training set: the estimate in the labels, the time taken, the weight norm, the report file under
# results/ with its header lines, accuracies and confusion matrix, opened in the editor.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 35    NumOfVectors: 150"
# The network is built once more just before training, which shows its size in Label56.
expect text Label56 "Vectors=150  L0=4  L1=4  L2=3"
expect text TrainingEdit "0.00s"
expect value modWEdit > 0
expect file results/iris_86410_InitWeights.txt

click OnTrainingSet1
expect no-message
expect editor results/iris_86410_rs-trn.txt
expect file results/iris_86410_param.txt
expect file results/iris_86410_rs-trn.txt contains "DATA/iris.dat (training set only)"
expect file results/iris_86410_rs-trn.txt contains "Training Time: 0.00s"
expect file results/iris_86410_rs-trn.txt contains "NumOfEpochs: 12"
expect file results/iris_86410_rs-trn.txt contains "standard accuracy: 0."
expect file results/iris_86410_rs-trn.txt contains "normalized accuracy: 0."
expect file results/iris_86410_rs-trn.txt contains "Predicted       Original"
expect file results/iris_86410_rs-trn.txt contains "             0     1     2"
expect file results/iris_86410_rs-trn.txt contains "Weights and Biasses"
