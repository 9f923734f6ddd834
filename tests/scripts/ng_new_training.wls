# "New Training" with the method "NG": the network is built, trained by numerical gradient for the set
# epochs and its report written; with "max E" a second run goes from the same start weights along the
# direction the first run left.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 12345
check NGT2
set EpochEditT2 5
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 35    NumOfVectors: 150"
expect text Label19 "Numerical Gradient"
expect text ep "5"
expect value EditSuccess > 0.6
expect file results/iris_86410_InitWeights.txt
expect file results/iris_86410_optH.txt

click OnTrainingSet1
expect no-message
expect file results/iris_86410_rs-trn.txt contains "NumOfEpochs: 5"

# The rerun from the start weights.
clock 00:00:20.000 2
check minmax
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text ep "5"
expect value EditSuccess > 0.3
expect file results/iris_86420_InitWeights.txt
