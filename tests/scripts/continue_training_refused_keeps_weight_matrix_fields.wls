# "Continue training" with "full WM" sets "to WM" and "every WM" for the run it starts: a run refused
# before it starts (the network does not fit the fields) leaves them, and "WM in Matlab format", as they
# were. A run that starts sets them.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
set EpochEditT2 3
set everyWMEdit 2
check WMMatlabBox
click RandomLinearInput1
expect no-message

set Hid3EditT2 2
click NTButton
expect message "The network has 3 layers, the parameters ask for 4. Create the network again."
expect text WMepEdit "12   "
expect text everyWMEdit "2   "
expect checked WMMatlabBox

set Hid3EditT2 0
click NTButton
expect no-message
expect text WMepEdit "3      "
expect text everyWMEdit "1"
expect checked WMWeightLabBox
