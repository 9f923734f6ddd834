# The import of a Matlab training writes the network's fields (epochs, hidden neurons, transfer functions,
# "Training in Matlab") and then builds the network from the parameters and sizes the histories for the
# weight file. Both the parameters and the weight file's size are checked before any field is written:
# a refusal leaves the fields, the data set and the network as they were.
clock 00:00:10.000 2
copy ../../DATA/xor.dat DATA/two.DAT
start
seed 7
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 3
click RandomLinearInput1
expect no-message
set EpochEditT2 7
copy ../data/matlab_config.txt PCA/config.txt
copy ../data/matlab_wm.txt PCA/WM_matlab.txt

# A parameter the network's build refuses.
set InitEdit "-1"
click importWMButton
expect message "Initial Weights Range must be a Number from 0 to 9999"
expect checked WMWeightLabBox
expect unchecked TrainingInMatlab
expect value EpochEditT2 = 7
expect value HiddenEditT2 = 3
expect text Label18 "xor.dat"
set InitEdit "1"

# A weight file of the 13 epochs' lines that cannot hold 12 weights on each.
copy ../data/matlab_wm_short.txt PCA/WM_matlab.txt
click importWMButton
expect message-containing "bytes) cannot hold the 13 epochs of 12 weights that config.txt gives (at least 312 bytes)"
expect checked WMWeightLabBox
expect unchecked TrainingInMatlab
expect value EpochEditT2 = 7
expect value HiddenEditT2 = 3
click SaveCurrentWeightstoFile1
expect no-message
expect file results/xor_86410_FinalWeights.txt contains "2  1  3   "

# With both in order the import goes through.
copy ../data/matlab_wm.txt PCA/WM_matlab.txt
click importWMButton
expect checked TrainingInMatlab
expect value EpochEditT2 = 12
expect value HiddenEditT2 = 2
