# "New Training" on iris with backpropagation (fixed seed and clock): the parameters are read again, the
# network built for the estimate is trained, and the time and weight norm are shown. With "max E" chosen
# there is no second run.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 12345
check BPButton
set EpochEditT2 40
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text Label55 "NumOfWeights: 35    NumOfVectors: 150"
expect text Label19 "Backpropagation - batch mode"
expect text ep "40"
expect value EditSuccess > 0.6
expect text TrainingEdit "0.00s"
expect value modWEdit > 0
expect file results/iris_86410_InitWeights.txt

check minmax
check OnlineBP
clock 00:00:20.000 2
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect text Label19 "Backpropagation - online mode"
expect text ep "40"
expect value EditSuccess > 0.6
expect text OnTopForm "On Top      5-0-0"
expect file results/iris_86420_InitWeights.txt
