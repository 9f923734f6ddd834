# "N of M 4/5" on monk1: the four-layer N-of-M network, its initial weights and the weights trace; a rules
# file only when a unit is split.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
expect no-message
click NofM1
expect no-message
expect file results/monk1_86410_InitWeights.txt
expect line results/monk1_86410_wp.txt 1 "1.0.s=  0.00000000000000E+0000"
expect file results/monk1_86410_wp.txt contains "********************************************"
# One sweep of the value weights leaves no unit between "or" and "and" here: no rules file.
expect no-file results/monk1_86410_rf.txt
