# "Beam Search" with "N of M 4/5": the beam search replaces the N-of-M run, and the beam's members are
# sized for the network it trains, whatever network was there before: none, a perceptron, or an SMLP
# with more hidden units.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
expect no-message
check BeamSearch
# No network yet.
click NofM1
expect no-message
expect text HiddenEditT2 "2"
expect line results/monk1_86410_BE.txt 1 "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
expect file results/monk1_86410_beam.txt contains "Error: "

# After a perceptron of 6 hidden units.
set HiddenEditT2 "6"
click RandomValues
expect no-message
click NofM1
expect no-message
expect text HiddenEditT2 "2"
expect line results/monk1_86410_BE.txt 1 "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "

# After an SMLP of two hidden units per class, then one per class.
set HidPerOutEdit "2"
set HidPerOut1Edit "2"
click SMLP1change
expect no-message
expect text HiddenEditT2 "4"
set HidPerOutEdit "1"
set HidPerOut1Edit "1"
click NofM1
expect no-message
expect text HiddenEditT2 "2"
expect line results/monk1_86410_BE.txt 1 "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
