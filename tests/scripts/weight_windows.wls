# The weight windows: "ES Weights" and "TR Weights" show the network's weights; "Save" writes the picture
# under consecutive numbers.
clock 00:00:10.000 2
start
seed 12345

# Before a data set is named the buttons do nothing.
click WESButton
expect no-message

answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
click WESButton
expect no-message
expect text WeightForm0 "ES Weights     iris 4-4-3"
click WeightForm0.Button1
click WeightForm0.Button1
expect no-message
expect file results/iris_86410_Eweights_1.gif
expect file results/iris_86410_Eweights_2.gif

click WTRButton
expect text WeightForm1 "Trajectory Weights     iris 4-4-3"
answer save results/trajectory_weights
click WeightForm1.Button2
expect file results/trajectory_weights.gif
click WeightForm1.Button1
expect file results/iris_86410_Tweights_4.gif
