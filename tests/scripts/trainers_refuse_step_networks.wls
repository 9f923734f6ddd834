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
