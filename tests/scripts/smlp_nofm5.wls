# "N of M 5": the five-layer N-of-M network evolved by the genetic algorithm, its error, and its weights
# saved and loaded back with the N-of-M and AND units.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 4
set PopEdit 30
answer open DATA/monk1.dat
click Simple1
expect no-message

# Before a five-layer network there is no error to show.
click GetSMLP5Error1
expect message "No five-layer N-of-M network has been built yet. Run \"N of M 5\" first."

click NofM51
expect no-message
expect no-file results/monk1_86410_SMLP.txt
expect file results/monk1_86410_GA.txt contains "*******************************************************"
expect file results/monk1_86410_FinalWeights.txt contains "NofM  0  0   "
click GetSMLP5Error1
expect no-message
expect text ge "220"

click SaveCurrentWeightstoFile1
expect no-message
expect file results/monk1_86410_FinalWeights.txt contains "AND  1  6   "
answer open results/monk1_86410_FinalWeights.txt
click LoadWeightsfromFile1
expect no-message
click GetSMLP5Error1
expect text ge "220"

# Its rules report: one first-layer unit per group, class and feature, as for the four-layer network.
click OnTrainingSet1
expect no-message
expect editor results/monk1_86410_RE.txt
expect file results/monk1_86410_RE.txt contains "[Rules]"
