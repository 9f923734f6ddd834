# The rules of labels that hold the signs and words of the rules, the intervals of a set of few values,
# and an SMLP's weights file loaded back as the SMLP.
clock 00:00:10.000 2
start
set EpochEditT2 2
check NoGTPBox

# Labels such as "dark(blue)" and "green)" are quoted in the rules, which read back as the data set
# lists them: the count is every vector.
copy ../data/rule_syntax_labels.dat DATA/
answer open DATA/rule_syntax_labels.dat
click Simple1
click SMLP1change
expect no-message
click OnTrainingSet1
expect no-message
expect file results/rule_syntax_labels_86410_RE.txt contains "class 1 if    not color=\"or\" and \"at\"=\"a,b)\""
expect file results/rule_syntax_labels_86410_RE.txt contains "Class 1 if   0.5 <  - color(\"or\") + \"at\"(\"a,b)\")"
expect file results/rule_syntax_labels_86410_RE.txt contains "Rules agree with the network on 18 of 18 vectors"

# xor under the default discretization (equal numbers, 10 intervals, normalised values): two values per
# feature, each its own interval, cut midway; the four vectors stay four.
answer open DATA/xor.dat
click Simple1
click SMLP1change
expect no-message
expect file results/xor_86410_trnd.dat contains "Feature[1] = x1   discrete  2     _0.000000  0.000000_"
expect file results/xor_86410_trnd.dat contains "Feature[2] = x2   discrete  2     _0.000000  0.000000_"
expect file results/xor_86410_trnd.dat contains "0.000000_  _0.000000       1"
expect file results/xor_86410_trnd.dat contains "0.000000_  0.000000_       0"

# The SMLP's weights saved, a sigmoid network built, the file loaded: the report is the SMLP's again.
answer open DATA/monk1.dat
click Simple1
click SMLP1change
expect no-message
click OnTrainingSet1
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
click SaveCurrentWeightstoFile1
expect line results/monk1_86410_FinalWeights.txt 1 "SMLP  slope 0  hidden 1  mask 1 1 1 1 1 1"
click DeterministicValues
answer open results/monk1_86410_FinalWeights.txt
click LoadWeightsfromFile1
expect no-message
click OnTrainingSet1
expect no-message
expect file results/monk1_86410_RE.txt contains "[Rules]"
expect file results/monk1_86410_RE.txt contains "Rules agree with the network on 432 of 432 vectors"
