# The cut-point shift search: "SMLP Training" with class "0" and a feature in "Shift feature" trains on
# iris discretized from a cut-point file, then with the first cut point of petal_length (2.0) moved from
# 1.70 to 2.30 and finely around the best; the 22 report lines follow the rules in "_RE.txt".
copy ../data/iris_cuts.txt iris_cuts.txt
clock 00:00:10.000 2
start
seed 5
# The cut points are in centimetres: the data stay as they are.
uncheck NormCheck
set EpochEditT2 1
set DiscrFileEdit iris_cuts
set ShiftEdit1 2
select CurrentClassBox 1
check S1SMLPButton
answer open DATA/iris.dat
click Button5
expect no-message
expect editor results/iris_86410_RE.txt
expect file results/iris_86410_RE.txt contains "dvF: 2.000000   std_acc: "
expect file results/iris_86410_RE.txt contains "dvF: 1.700000   std_acc: "
expect file results/iris_86410_RE.txt contains "dvF: 2.300000   std_acc: "
expect file results/iris_86410_RE.txt contains "ovF: "
expect text Label56 "dvF: 2.048000"
expect file results/iris_86410_tstd.dat

# A feature without a cut point in the file is refused.
set ShiftEdit1 7
answer open DATA/iris.dat
click Button5
expect message-containing "Feature 7 has no cut point in the cut-point file "

# A symbolic feature has no cut point either: the file's data set is monk1 here.
set ShiftEdit1 0
answer open DATA/monk1.dat
click Button5
expect message-containing "Feature 0 has no cut point in the cut-point file "

# "F. Expansion" writes a report of its own: the search is refused before the dialog.
check FExpandBox
click Button5
expect message "The cut-point shift search trains without \"F. Expansion\": clear it to run the search."
uncheck FExpandBox

# Without the cut-point file nothing happens.
set DiscrFileEdit nofile
set ShiftEdit1 2
click Button5
expect no-message
