# The beam search refuses the networks it would build (the output layer of a single-class data set left
# without neurons by "Default Class 0") before it shows or prepares anything: the progress plot's point size, the
# method's caption and the network stay as they were.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
set EpochEditT2 3
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.229298935271800"

copy ../data/one_class.dat DATA/
select PSEdit 4
check DefClassBox
answer open DATA/one_class.dat
click Simple1
expect no-message
click BeamSearch1
expect message "Error: Layers[NumOfLayers-1] < 1"
expect text PSEdit "5"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.229298935271800"

# With the output layer back the search runs.
uncheck DefClassBox
answer open DATA/xor.dat
click Simple1
click BeamSearch1
expect no-message
