# The "SMLP" tab's "SMLP Training" with one class chosen: a detector of class "0" trained one hidden
# neuron at a time by S1, S2 or S1+S2, its rules in the editor, the run's vectors and method in the
# training-progress fields; "Continue" resumes a neuron.
clock 00:00:10.000 2
start
seed 5
set EpochEditT2 2

# Before any run there is nothing to continue.
click SMLPContButton
expect message "There is no single-class network to continue: run \"SMLP Training\" with a class first."

select CurrentClassBox 1
check S1SMLPButton
answer open DATA/monk1.dat
click Button5
expect no-message
expect text ENVEdit "432"
expect text Label19 "SMLP - 1 change"
expect editor results/monk1_86410_RE.txt
expect file results/monk1_86410_RE.txt contains "[Rules for Neuron nr 0]"
expect file results/monk1_86410_RE.txt contains "Standard Accuracy: "
expect file results/monk1_86410_RE.txt contains "Balanced Accuracy: "
expect file results/monk1_86410_RE.txt contains "maximized accuracy: standard"
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"

# "Continue" trains the neuron again from its weights.
click SMLPContButton
expect no-message
expect text ENVEdit "432"
expect text Label19 "SMLP - 1 change"
expect editor results/monk1_86410_REC.txt
expect file results/monk1_86410_REC.txt contains "[Rules for Neuron nr 0]"

# A neuron the network does not have is refused.
set CurrentNeuronBox 3
click SMLPContButton
expect message "The neuron 3 does not exist: the network has hidden neurons 0 to 0."
set CurrentNeuronBox 0

# S2 on one neuron.
check S2SMLPButton
answer open DATA/monk1.dat
click Button5
expect no-message
expect text ENVEdit "432"
expect text Label19 "SMLP - 2 changes"
expect file results/monk1_86410_RE.txt contains "bias=1.50"

# S1+S2: two neurons, the rules after each.
check GASMLPButton
answer open DATA/monk1.dat
click Button5
expect no-message
expect text Label19 "SMLP - S1+S2"
expect file results/monk1_86410_RE.txt contains "[Rules for Neuron nr 1]"

# A class the data set does not have.
check S1SMLPButton
select CurrentClassBox 4
answer open DATA/monk1.dat
click Button5
expect message "The data set has no class 3: it has the classes 0 to 1."

# A cancelled dialog trains nothing.
select CurrentClassBox 1
answer open cancel
click Button5
expect no-message

# "On Training Set": the rules report of a single-class network holds its rules.
check S1SMLPButton
answer open DATA/monk1.dat
click Button5
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "(training set only)"
expect file results/monk1_86410_RE.txt contains "[Rules for Neuron nr 0]"
# The rules of the S2, S1+S2 and S1 runs above, then the report.
expect editor results/monk1_86410_RE.txt
expect editor results/monk1_86410_RE.txt
expect editor results/monk1_86410_RE.txt
expect editor results/monk1_86410_RE.txt

# "On Validation Set": a cancelled dialog writes nothing; a set writes "_ValRE.txt".
answer open cancel
click OnValidationSet1
expect no-message
expect no-file results/monk1_86410_ValRE.txt
answer open DATA/monk1.dat
click OnValidationSet1
expect no-message
expect editor results/monk1_86410_ValRE.txt
expect line results/monk1_86410_ValRE.txt 2 "[Rules for Neuron nr 0]"
expect file results/monk1_86410_ValRE.txt contains "NumOfVectors: 432"

# "F. Expansion": the features ranked, the best two added one at a time ("_FERE.txt", "_WC.txt").
check FExpandBox
set RankingEdit 2
answer open DATA/monk1.dat
click Button5
expect no-message
expect editor results/monk1_86410_FERE.txt
expect file results/monk1_86410_FERE.txt contains "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"
expect file results/monk1_86410_FERE.txt contains "*******************1*********************"
expect file results/monk1_86410_WC.txt
uncheck FExpandBox
