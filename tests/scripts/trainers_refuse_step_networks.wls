# An MLP trainer meets the five-layer N-of-M network ("N of M 5"), whose units it cannot record: each
# refuses with its message before the run starts, and the network stays.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
expect no-message
click NofM51
expect no-message
click NG_old
expect message "The network does not fit the chosen structure. Create the network again."
click Random1change
expect message-containing "Create the network again."
click Backpropagation1
expect message-containing "Create the network again."
click Discrete2changes
expect message-containing "Create the network again."

# The four-layer N-of-M network has the layers four-layer fields ask for, but not a perceptron's weights:
# refused before the start weights are written, so the file keeps the weights the network was built with
# (the run has trained them since).
set HiddenEditT2 2
set Hid3EditT2 2
click NofM1
expect no-message
expect line results/monk1_86410_InitWeights.txt 17 "1  4  1   0.000000000000000"
click Random1change
expect message "The network does not fit the chosen structure. Create the network again."
click Discrete1change
expect message "The network does not fit the chosen structure. Create the network again."
click Random2changes
expect message "The network does not fit the chosen structure. Create the network again."
check AccBadCheck
click Random1change
expect message "The network does not fit the chosen structure. Create the network again."
uncheck AccBadCheck
expect line results/monk1_86410_InitWeights.txt 17 "1  4  1   0.000000000000000"
