# "SM Training" -> "Backpropagation" on iris from a fixed seed: a batch run and an online run with the
# gradient log, their displays at the end and the initial-weights file; a four-layer network is refused.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
set EpochEditT2 30

click Backpropagation1
expect no-message
expect text ep "30"
expect text Label19 "Backpropagation - batch mode"
expect value EditSuccess > 0.6
expect file results/iris_86410_InitWeights.txt
expect no-file results/iris_86410_bpgradients.txt

check OnlineBP
check LogGradientBox
set BPmom 0.5
click Backpropagation1
expect no-message
expect text ep "30"
expect text Label19 "Backpropagation - online mode"
expect value EditSuccess > 0.6
expect file results/iris_86410_bpgradients.txt contains "E-0001   "

# Only three-layer networks without crossover connections.
check SkipCheck
click Backpropagation1
expect message "This implementation of backpropagation suports only 3-layer netwoks without crossover connections"
check FullConn
set Hid3EditT2 2
click RandomLinearInput1
click Backpropagation1
expect message "This implementation of backpropagation suports only 3-layer netwoks without crossover connections"

# A bad learning rate stops the command at the parameters.
set Hid3EditT2 0
set BPLearn 0
click Backpropagation1
expect message "BP Learning Coef must be a Number from 1E-7 to 99"
