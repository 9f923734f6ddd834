# The crossvalidation items of the "Open" menu: "VSS Crossvalidation" on twelve vectors in three folds
# writes the fold files, the tests' reports, the folds' accuracies and the summary, and opens the last two;
# the button that showed the run number offers to continue training. "NG crossvalidation" trains the
# folds by numerical gradient; a committee in every fold reports its votes. "SMLP crossvalidation" has a
# script of its own (smlp_crossvalidation.wls).
copy ../data/cv_twelve.dat DATA/
clock 00:00:10.000 2
start
seed 5
check NoGTPBox
set EpochEditT2 3
set HiddenEditT2 2
set CVEdit 3
answer open DATA/cv_twelve.dat
click MLPCrossvalidation1
expect no-message
expect text NTButton "Continue Training"
expect line results/cv_twelve_86410_tst0.dat 3 "Number of Vectors = 4"
expect line results/cv_twelve_86410_trn2.dat 3 "Number of Vectors = 8"
expect file results/cv_twelve_86410_RE.txt contains "cv_twelve_86410_tst2.dat (- crossvalidation)"
expect file results/cv_twelve_86410_CV.txt contains "TRAINING= "
expect file results/cv_twelve_86410_param.txt
expect line results/cv_twelve_86410_MSR.txt 1 "cv_run= 1"
expect line results/cv_twelve_86410_MSR.txt 9 "average values in 1 runs of 3-fold cv"
expect line results/cv_twelve_86410_MSR.txt 13 "stdddev_accross_cv=0.0000%"
expect editor results/cv_twelve_86410_CV.txt
expect editor results/cv_twelve_86410_MSR.txt
expect no-file results/cv_twelve_86410_InitWeights.txt

# Leave-one-out of twelve vectors would be twelve folds, more than half the vectors: refused before any
# file is written.
clock 00:00:20.000 2
check LxoButton
answer open DATA/cv_twelve.dat
click MLPCrossvalidation1
expect message "Crossvalidation of 12 vectors needs from 2 to 6 folds; 12 folds were asked for."
expect no-file results/cv_twelve_86420_RE.txt
expect no-file results/cv_twelve_86420_param.txt

# Numerical-gradient crossvalidation trains every fold by NG; its step factors go to no "_optH.txt".
clock 00:00:30.000 2
check CVButton
answer open DATA/cv_twelve.dat
click NGcrossvalidation1
expect no-message
expect text NTButton "Continue Training"
expect text Label19 "Numerical Gradient"
expect line results/cv_twelve_86430_MSR.txt 1 "cv_run= 1"
expect no-file results/cv_twelve_86430_optH.txt

# With "Join W" every fold's test first signs the first-layer weights of hidden neuron 0.
clock 00:00:40.000 2
check JoinWBox
answer open DATA/cv_twelve.dat
click MLPCrossvalidation1
expect no-message
expect line results/cv_twelve_86440_MSR.txt 1 "cv_run= 1"
uncheck JoinWBox

# A committee of three in every fold: "_MSR.txt" reports the committee's votes, as "_CV.txt" does, with
# the members' mean test beside them.
clock 00:00:50.000 2
set CommEdit 3
answer open DATA/cv_twelve.dat
click MLPCrossvalidation1
expect no-message
expect file results/cv_twelve_86450_comm.txt contains "*********** 2 ***********"
expect line results/cv_twelve_86450_MSR.txt 1 "cv_run= 1"
expect file results/cv_twelve_86450_MSR.txt contains "members' test= "
set CommEdit 1
