# An SMLP run refused for unequal hidden neurons per class changes nothing: the network of the run before
# it keeps its shape, so that its rules report still evaluates it, before and after the setting is put back.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
click SMLP1change
expect no-message
expect text Label56 "Vectors=432  L0=17  L1=2  L2=2"
set HidPerOut1Edit 2
click SMLP1change
expect message-containing "the same number of hidden neurons for every class"
click SMLP2changes
expect message-containing "the same number of hidden neurons for every class"
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
set HidPerOut1Edit 1
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
expect file results/monk1_86410_RE.txt contains "Success Rate: "
