# The "any WM" list of the weight-matrix export is checked when a run starts, before it changes a
# weight: an epoch beyond the epochs to train, or a token of the wrong form, refuses the run with the
# export's own message and the network as it was. Without the Matlab export only the form is checked.
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

# With "PCA in Matlab": epoch 4 of a 3-epoch run, for a numerical-gradient and a backpropagation run.
check MatLabBox
set anyWMEdit "0 4"
click NG_old
expect message "incorrect any WM: 4"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"
set anyWMEdit "1-5"
click Backpropagation1
expect message "incorrect any WM: 1-5"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# A token of the wrong form, whatever the export boxes say.
check CMBox
set anyWMEdit "2 3-"
click NG_old
expect message "incorrect any WM: 3-"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.290441846009344"

# Without the export an epoch beyond the run is not looked at; with it a list within the run passes.
set anyWMEdit "0 4"
click NG_old
expect no-message
check MatLabBox
set anyWMEdit "0 2-3"
click NG_old
expect no-message
