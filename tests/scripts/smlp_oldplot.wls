# The SMLP menu's "OldPlot" on the discrete XOR set (x1, x2 of values "0 1"), two hidden units per class:
# all 3^16 networks of -1, 0, 1 input weights, every hit's report kept in the one hit report.
copy ../data/xor_discrete.dat DATA/
clock 00:00:10.000 2
start
seed 3
set HidPerOutEdit 2
set HidPerOut1Edit 2
answer open DATA/xor_discrete.dat
click Simple1
expect no-message

# The progress text of the last block of 3^13 networks, and the hits: 50 settings of class 0's two units
# and 50 of class 1's fire exactly on their class's vectors.
click OldPlot1
expect no-message
expect text ep "41.45 mln searched"
expect text EditSuccess "2500 found"
expect file results/xor_discrete_86410_rs-trn.txt contains "standard accuracy: 1.00000"
expect no-file results/xor_discrete_86410_hit.txt
