# "Open Batch File": a file of two tasks, asked for in the program folder, trains the twelve vectors and
# then xor without the user, each task's training-set report under a results prefix of its own; the
# names in the file are upper-cased and found all the same.
copy ../data/cv_twelve.dat DATA/
copy ../data/batch_two_tasks.txt tasks.txt
clock 00:00:10.000 2
start
seed 11
check NoGTPBox
set EpochEditT2 3
set HiddenEditT2 2
answer open tasks.txt
click BatchMode1
expect no-message
expect file results/cv_twelve_86410_rs-trn.txt contains "cv_twelve.dat (training set only)"
expect file results/xor_86410_rs-trn.txt contains "xor.dat (training set only)"
expect file results/cv_twelve_86410_InitWeights.txt
expect file results/xor_86410_InitWeights.txt
expect text SlopeEdit "2"
expect text Label18 "xor.dat"

# A cancelled dialog runs nothing.
answer open cancel
click BatchMode1
expect no-message
