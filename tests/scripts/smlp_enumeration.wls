# The SMLP menu's "NewPlot" and its XNG experiment on the discrete XOR set (x1, x2 of values "0 1"),
# two hidden units per class ("OldPlot": smlp_oldplot.wls).
copy ../data/xor_discrete.dat DATA/
clock 00:00:10.000 2
start
seed 3
set HidPerOutEdit 2
set HidPerOut1Edit 2
answer open DATA/xor_discrete.dat
click Simple1
expect no-message
expect enabled AllNeurons2ch1
expect enabled OldPlot1
expect enabled XNG1

# "NewPlot": the first eight networks of 0/1 weights and four thresholds below the error bound, every
# hit's report kept in the one hit report.
click AllNeurons2ch1
expect no-message
expect text EditSuccess "8 found"
expect text ep "0 mln searched"
expect file results/xor_discrete_86410_SMLP.txt
expect file results/xor_discrete_86410_rs-trn.txt contains "NumOfRun: 4202"
expect no-file results/xor_discrete_86410_hit.txt

# "XNG" with logistic units: the log of the probes, moves and line searches, the sections drawn on the
# E(h) chart.
check sigmoidSMLPButton
check ChartH
set EpochEditT2 3
click XNG1
expect no-message
expect line results/xor_discrete_86410_xng.txt 1 "D = 0.1"
expect line results/xor_discrete_86410_xng.txt 2 "epoch: 1"
expect file results/xor_discrete_86410_xng.txt contains "HDV0   =    "
expect file results/xor_discrete_86410_xng.txt contains "epoch: 3"

# One hidden unit per class: the enumerations refuse.
set HidPerOutEdit 1
set HidPerOut1Edit 1
click OldPlot1
expect message "\"OldPlot\" needs a network of at least four inputs and four hidden neurons; the SMLP of this data set would have 4 inputs and 2 hidden neurons (1 per class). Set more hidden neurons per class."
