# A refused numerical-gradient run refuses before it opens or writes any file: the last run's "_optH.txt"
# and "_InitWeights.txt" stay as they were.
copy ../data/xor_discrete.dat DATA/
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
set EpochEditT2 2
click NG_old
expect no-message
expect line results/iris_86410_optH.txt 1 "32.3443"

# An invalid field: the message, and the files of the run before.
clock 00:00:20.000 2
set DeltaNGEdit "abc"
click NG_old
expect message-containing "must be a Number"
expect line results/iris_86410_optH.txt 1 "32.3443"
expect no-file results/iris_86420_InitWeights.txt
set DeltaNGEdit "0.1"

# After XNG the network is a step network, which no NG item trains: each refuses before any file.
set HidPerOutEdit 2
set HidPerOut1Edit 2
answer open DATA/xor_discrete.dat
click Simple1
expect no-message
click XNG1
expect no-message
expect file results/xor_discrete_86420_xng.txt
click NG_old
expect message "The network does not fit the chosen structure. Create the network again."
click NG_max
expect message "The network does not fit the chosen structure. Create the network again."
click deltaW01
expect message "The network does not fit the chosen structure. Create the network again."
click GlobalthenLocal1
expect message "The network does not fit the chosen structure. Create the network again."
click OldNewOldifneeded1
expect message "The network does not fit the chosen structure. Create the network again."
expect no-file results/xor_discrete_86420_InitWeights.txt
expect no-file results/xor_discrete_86420_optH.txt
expect no-file results/xor_discrete_86420_param.txt
