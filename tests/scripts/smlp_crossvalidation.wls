# "SMLP crossvalidation" on monk1 in three folds: with class "0" chosen each fold trains the single-class
# network and tests its rules into "_CVRE.txt"; with "all" the SMLP of all classes is tested by the rules
# report into "_RE.txt". A committee of SMLP networks is refused.
clock 00:00:10.000 2
start
seed 5
check NoGTPBox
set EpochEditT2 2
set CVEdit 3
select CurrentClassBox 1
check S1SMLPButton
answer open DATA/monk1.dat
click SMLPcrossvalidation1
expect no-message
expect text NTButton "Continue Training"
expect line results/monk1_86410_tst0.dat 4 "Number of Vectors = 144"
expect file results/monk1_86410_CVRE.txt contains "[Rules for Neuron nr 0]"
expect file results/monk1_86410_CVRE.txt contains "NumOfVectors: 144"
expect file results/monk1_86410_CV.txt contains "TRAINING= "
expect line results/monk1_86410_MSR.txt 1 "cv_run= 1"
expect file results/monk1_86410_MSR.txt contains "Sensibility: "
expect editor results/monk1_86410_CV.txt
expect editor results/monk1_86410_CVRE.txt
expect editor results/monk1_86410_MSR.txt

clock 00:00:20.000 2
select CurrentClassBox 0
answer open DATA/monk1.dat
click SMLPcrossvalidation1
expect no-message
expect file results/monk1_86420_RE.txt contains "(- crossvalidation)"
expect file results/monk1_86420_RE.txt contains "[Rules]"
expect no-file results/monk1_86420_CVRE.txt
expect file results/monk1_86420_MSR.txt contains "Specificity: "

set CommEdit 2
answer open DATA/monk1.dat
click SMLPcrossvalidation1
expect message "A committee of SMLP networks cannot vote: set Committee to 1."

# Iris has continuous features: each fold's test set is labelled with its training set's bounds before
# its rules are tested ("_tstd" files).
clock 00:00:30.000 2
set CommEdit 1
set slEdit 3
select CurrentClassBox 1
answer open DATA/iris.dat
click SMLPcrossvalidation1
expect no-message
expect file results/iris_86430_tstd2.dat
expect file results/iris_86430_CVRE.txt contains "NumOfVectors: 50"
