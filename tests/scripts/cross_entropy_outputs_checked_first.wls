# The cross-entropy takes the logarithm of y and of 1 - y, so it needs outputs in 0..1. An output
# transfer function of another range ("tanh") with "cross-entropy" checked is refused at the run's
# start, before a weight changes, with a message telling what to change.
clock 00:00:10.000 2
start
seed 7
set EpochEditT2 3
check NoGTPBox
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"
select OutTF 1
check entrBox
click NG_old
expect message "The cross-entropy needs outputs between 0 and 1, and the output transfer function \"tanh\" gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" for the output layer, or clear \"cross-entropy\"."
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# The same for backpropagation, and for "linear (-1;1)" set for the output layer alone.
click Backpropagation1
expect message "The cross-entropy needs outputs between 0 and 1, and the output transfer function \"tanh\" gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" for the output layer, or clear \"cross-entropy\"."
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# A staircase of 2 steps from -1 to 1: the start network's outputs are all 0, so the old run changed a
# weight before its first output below 0 stopped it.
select OutTF 6
set NSEdit "2"
click NG_old
expect message "The cross-entropy needs outputs between 0 and 1, and the output transfer function \"staircase (-1;1)\" gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" for the output layer, or clear \"cross-entropy\"."
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 4 "1  1  0   -0.389926159288734"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"
set NSEdit "0"

uncheck SameLayersBox
select OutTF 4
select HL2TF 0
click NG_old
expect message "The cross-entropy needs outputs between 0 and 1, and the output transfer function \"linear (-1;1)\" gives outputs outside 0..1. Choose \"sigmoid\", \"linear (0;1)\" or \"staircase (0;1)\" for the output layer, or clear \"cross-entropy\"."
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# With an output function of range 0..1 the same run trains.
select OutTF 3
click NG_old
expect no-message
expect text ep "3"
