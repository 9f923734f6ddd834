# A refused import of a Matlab training leaves the program as it was: the weight-matrix format, the
# fields the import would fill, the data set and the network. Each file is checked before anything of
# the import changes; a data set of other inputs than Matlab's is put back.
clock 00:00:10.000 2
copy ../../DATA/iris.dat DATA/two.DAT
start
seed 7
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 3
click RandomLinearInput1
expect no-message
set EpochEditT2 7
expect checked WMWeightLabBox

# No config.txt.
click importWMButton
expect message-containing "PCA/config.txt not found!"
expect checked WMWeightLabBox
expect unchecked TrainingInMatlab

# A transfer function of another spelling: refused before the fields are filled.
copy ../data/matlab_config_capital.txt PCA/config.txt
click importWMButton
expect message "Only logsig, tansig, purelin, satlin, satlins, hardlim, hardlims transfer functions are supported"
expect checked WMWeightLabBox
expect unchecked TrainingInMatlab
expect value EpochEditT2 = 7
expect value HiddenEditT2 = 3

# No weight matrix: refused before the data set is read.
copy ../data/matlab_config.txt PCA/config.txt
click importWMButton
expect message-containing "PCA/WM_matlab.txt not found!"
expect checked WMWeightLabBox
expect value EpochEditT2 = 7
expect text Label18 "xor.dat"

# The data set config.txt names has four inputs, Matlab's network two: refused, xor and its network stay.
copy ../data/matlab_wm.txt PCA/WM_matlab.txt
click importWMButton
expect message-containing "Different Number of Inputs in Matlab and WeightLab training set!"
expect checked WMWeightLabBox
expect unchecked TrainingInMatlab
expect value EpochEditT2 = 7
expect value HiddenEditT2 = 3
expect text Label18 "xor.dat"
click SaveCurrentWeightstoFile1
expect no-message
expect file results/xor_86410_FinalWeights.txt contains "2  1  3   "
click OnTrainingSet1
expect no-message
