# The long-operation question of "New Training": answered No, the run stops after the estimate (data set
# read, network built, nothing trained); with the warning switched off (0) no question comes.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 7
set EpochEditT2 999999
answer open DATA/iris.dat
answer no
click TrainingT2
expect no-message
expect text Label18 "iris.dat"
expect text Label55 "NumOfWeights: 35    NumOfVectors: 150"
expect text Label56 "ESTIMATED TIMES:    Training: 43050s     SVD: 0.1s     Drawing Plot: 0.9s     Total Time: 11h 58m"
expect text TrainingEdit "  "
expect text modWEdit ""
expect no-file results/iris_86410_InitWeights.txt

# Short runs ask nothing: 12 epochs are estimated at 2 seconds, below the 2 minutes of the limit.
set EpochEditT2 12
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text TrainingEdit "0.00s"
expect file results/iris_86410_InitWeights.txt

# A limit of 0 never asks, however long the estimate (here the PCA term of 3203 weights, over an hour).
clock 00:00:20.000 2
set EpochEditT2 0
set WLEdit 0
set HiddenEditT2 400
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 3203    NumOfVectors: 150"
expect text Label56 "Vectors=150  L0=4  L1=400  L2=3"
expect text TrainingEdit "0.00s"
expect file results/iris_86420_InitWeights.txt

# A committee size above 1 trains a committee instead, which asks for its own training file: cancelled,
# nothing happens.
set CommEdit 3
answer open cancel
click TrainingT2
expect no-message
expect no-file results/iris_86420_CV.txt
