# The import of a Matlab training: config.txt, WM_matlab.txt and the data set it names become a finished
# training with its surface; "WMD" then scans a neuron of it, and a capitalised function name is refused.
clock 00:00:10.000 2
copy ../data/matlab_config.txt PCA/config.txt
copy ../data/matlab_wm.txt PCA/WM_matlab.txt
copy ../../DATA/xor.dat DATA/two.DAT
start
set WMepEdit 50
set everyWMEdit 20
click importWMButton
expect no-message
expect checked TrainingInMatlab
expect checked WMMatlabBox
expect text EpochEditT2 "12"
expect text HiddenEditT2 "2"
expect text WMepEdit "12"
expect text everyWMEdit "1"
expect text ep " done"

set LEdit 1
set NEdit 1
click Button8
expect no-message
expect unchecked VdwBox
expect file PCA/w-o-v.txt
expect file PCA/LM_weights.txt
expect text HRF "dS+dw epoch=1  red=hidden  blue=output"

copy ../data/matlab_config_capital.txt PCA/config.txt
click importWMButton
expect message "Only logsig, tansig, purelin, satlin, satlins, hardlim, hardlims transfer functions are supported"
