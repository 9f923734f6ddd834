# The interval networks of the "SMLP" menu: "constant L" on iris trains the L-net of three equal-width
# intervals per feature and logs its intervals, rules and weights; "merging L" twelve intervals; with
# "Use sorting" "constant L" follows the discrete gradient; "L Num Grad" follows it on the SMLP of monk1.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
check NoGTPBox
expect enabled TrainLunits1
expect enabled Lunits4NClass1
expect enabled LNumgrad

# Without a data set nothing runs.
click TrainLunits1
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."

answer open DATA/iris.dat
click Simple1
click TrainLunits1
expect no-message
expect file results/iris_86410_Lconst.txt contains "LN1[0,0].weight[0]= "
expect file results/iris_86410_Lconst.txt contains "class 0 if"
expect file results/iris_86410_Lconst.txt contains "class 2 if"
expect file results/iris_86410_Lconst.txt contains "Logistic units are read as steps: in these rules a unit fires where its weighted sum is above its threshold"
expect file results/iris_86410_Lconst.txt contains "Rules agree with the network on "
# The rules state once how their interval bounds read.
expect file results/iris_86410_Lconst.txt contains "Interval bounds are in normalised units (F[v]-F_mean)/Std_dev; name=a_b holds the values strictly between a and b, so a value equal to a bound lies in neither interval next to it; -inf and inf are open ends"
expect file results/iris_86410_Lconst.txt contains "LN2[3,2].weight[0]= "

# The L-net stays for the reports: the rules report evaluates it by its own pass.
click OnTrainingSet1
expect no-message
expect file results/iris_86410_RE.txt contains "[Rules]"
expect file results/iris_86410_RE.txt contains "Success Rate: "

click Lunits4NClass1
expect no-message
expect file results/iris_86410_Lmerge.txt contains "LN1[0,11].weight[0]="
expect file results/iris_86410_Lmerge.txt contains "class 1 if"
expect file results/iris_86410_Lmerge.txt contains "Interval bounds are in normalised units (F[v]-F_mean)/Std_dev; name=a_b holds the values strictly between a and b, so a value equal to a bound lies in neither interval next to it; -inf and inf are open ends"

check UseNG
click TrainLunits1
expect no-message
expect file results/iris_86410_Lconst.txt contains "i=0"
expect file results/iris_86410_Lconst.txt contains "error = "
uncheck UseNG

# Classes with different numbers of hidden neurons are refused before the log is written, and the refusal
# leaves the L-net of the run before it whole: its report, with the setting put back, still evaluates it,
# and so does the report with the unequal setting still in the fields.
click TrainLunits1
expect no-message
set HidPerOut1Edit 2
click Lunits4NClass1
expect message-containing "the same number of hidden neurons for every class"
click OnTrainingSet1
expect no-message
expect file results/iris_86410_RE.txt contains "Rules agree with the network on "
click TrainLunits1
expect message-containing "the same number of hidden neurons for every class"
set HidPerOut1Edit 1
click OnTrainingSet1
expect no-message
expect file results/iris_86410_RE.txt contains "[Rules]"

# "L Num Grad": the gradient of the SMLP, then its steps within the features, in the run log.
answer open DATA/monk1.dat
click Simple1
click LNumgrad
expect no-message
expect file results/monk1_86410_SMLP.txt contains "i=0"
expect file results/monk1_86410_SMLP.txt contains "error = "
expect file results/monk1_86410_SMLP.txt contains "class 1 if"
