# The trainers read fields at every epoch (the NG step search's momentum decay and section period, the
# hidden layers' schedule of BP and of the relative NG probing): every field the run's epochs will read is
# converted before the run changes a weight, so a text that is no number refuses the run with the
# network as it was.
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
expect no-message
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# NG (max) with "NG sections" and "old point": the momentum decay, read at each epoch's step (after
# the first epoch has gone back to its old point).
check OldPointBox
set M2Edit "abc"
click NG_max
expect message "'abc' is not a valid floating point value"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"
set M2Edit "0.1"
uncheck OldPointBox

# BP: the schedule's factor of epochs 3 to 4 is read at epoch 3 only.
set EEdit1 "1"
set EEdit2 "2"
set MEdit3 ""
click Backpropagation1
expect message "'' is not a valid floating point value"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# A factor the epochs never reach is not read: the run goes on.
set EEdit3 "9"
set MEdit3 "1.5"
set MEdit4 ""
click Backpropagation1
expect no-message
