# The time estimate of "New Training" with the method "NG" counts what an epoch of the chosen NG rules
# evaluates: breast cancer with 4 hidden neurons (134 weights), 4000 epochs of "NG sections" through the
# signal table on the reference computer (speed 2000) come to about four minutes (an epoch evaluates the
# grid of about 177 points, each a full pass, and tries each weight once through the table). With a limit
# of 1 minute the long-operation question comes; answered No, nothing is trained.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 7
check NGT2
set EpochEditT2 4000
set WLEdit 1
answer open DATA/breast_cancer.dat
answer no
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 134    NumOfVectors: 569"
expect text Label56 "ESTIMATED TIMES:    Training: 252s     SVD: 0.4s     Drawing Plot: 11s     Total Time: 4min 23s"
expect text TrainingEdit "  "
expect no-file results/breast_cancer_86410_InitWeights.txt
