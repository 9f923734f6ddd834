# The "SMLP" menu on monk1: "1 change" trains the step network of all classes from zero weights, logs
# every accepted change, and "On Training Set" writes its rules report.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 2
answer open DATA/monk1.dat
click Simple1
expect no-message
click SMLP1change
expect no-message
expect text HiddenEditT2 "2"
expect text Label56 "Vectors=432  L0=17  L1=2  L2=2"
expect file results/monk1_86410_SMLP.txt
expect line results/monk1_86410_wc.txt 1 "Error: 396    SuccessRt: 0.166666666666667    N.W: 0.12"
expect value EditSuccess = 0.75
expect no-file results/monk1_86410_RE.txt

click OnTrainingSet1
expect no-message
expect editor results/monk1_86410_RE.txt
expect file results/monk1_86410_RE.txt contains "DATA/monk1.dat (training set only)"
expect file results/monk1_86410_RE.txt contains "[Rules]"
expect file results/monk1_86410_RE.txt contains "class 0 if    jacket_color=yellow or green or blue"
expect file results/monk1_86410_RE.txt contains "class 1 if    jacket_color=red"
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
expect file results/monk1_86410_RE.txt contains "Class 1 if   0.5 <   jacket_color(red)"
expect file results/monk1_86410_RE.txt contains "Success Rate: 0.75000"
expect file results/monk1_86410_RE.txt contains "SLMP-1ch "

# "On Validation Set" with the training set again: the rules report of that set.
answer open DATA/monk1.dat
click OnValidationSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "(with validation Set)"

# "2 changes" with the rules report after the training ("Add 1 Hidden per Time").
set EpochEditT2 1
check Add1Box
click SMLP2changes
expect no-message
expect file results/monk1_86410_RE.txt contains "SMLP-2ch "
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
expect no-file results/monk1_86410_WC.txt

# The detailed report lists every vector with the step network's outputs.
check WriteDetails
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "vect:   0    class:  1      N_0:  "
