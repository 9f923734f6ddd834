# The other SMLP commands: "Compare Rules" keeps the report of each training with its rules, a batch
# task trains an SMLP, New Training builds the "SMLP" structure and trains it by the variable step
# search, and the items of the step networks and searches not built yet stay greyed.
clock 00:00:10.000 2
start
seed 9
set EpochEditT2 1
check NoGTPBox

expect enabled AllNeurons2ch1
expect enabled OldPlot1
expect enabled GeneticAlg1
expect enabled TrainLunits1
expect enabled Lunits4NClass1
expect enabled XNG1
expect enabled LNumgrad
expect enabled NofM1
expect enabled NofM51
expect enabled GetSMLP5Error1
expect enabled SMLPContButton
expect enabled Button13
expect enabled Button14
expect enabled SMLP1change
expect enabled CompareRules1

click splittingL1
expect message "I will write this procedure when I have time"

# Without a data set nothing runs, and the network keeps its kind: the results are those of a
# perceptron, not the rules of a step network.
click SMLP1change
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."
click OnTrainingSet1
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."

answer open DATA/monk1.dat
click CompareRules1
expect no-message
expect file results/monk1_86410_1ch_rs-trn.txt contains "SLMP-1ch "
expect file results/monk1_86410_2ch_rs-trn.txt contains "SMLP-2ch "
expect editor results/monk1_86410_2ch_rs-trn.txt
expect file results/monk1_86410_1ch_rs-trn.txt contains "standard accuracy: "
expect file results/monk1_86410_1ch_rs-trn.txt contains "Output Layer"
# Each report ends with the rules of the network it trained, which classify every vector as it does.
expect file results/monk1_86410_1ch_rs-trn.txt contains "[Rules]"
expect file results/monk1_86410_1ch_rs-trn.txt contains "Rules agree with the network on 432 of 432 vectors"
expect file results/monk1_86410_2ch_rs-trn.txt contains "Rules agree with the network on 432 of 432 vectors"

# L-units read continuous features: a discrete set is refused.
check lunitsbox
click SMLP1change
expect message "\"L-units\" read continuous features; the data set has none. Clear \"L-units\" to train an SMLP network."
uncheck lunitsbox

# A batch task "SMLP1" trains the step network and writes its result report.
copy ../data/batch_smlp.txt smlp_tasks.txt
answer open smlp_tasks.txt
click BatchMode1
expect no-message
expect file results/monk1_86410_rs-trn.txt contains "standard accuracy: 0.75000"

# New Training with the "SMLP" structure: the step network, trained by the variable step search.
check strbox
set SlopeEdit 1
answer open DATA/monk1.dat
click TrainingT2
expect no-message
expect text Label19 "Sa-DH2 (VSS)"
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "[Rules]"
check FullConn
