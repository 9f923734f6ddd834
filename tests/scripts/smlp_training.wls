# The "SMLP" tab's "SMLP Training" for all classes: it asks for the data set, trains by S1 or S2 with
# the feature experiments of the tab, and shows the rules report ("Show Training Results").
clock 00:00:10.000 2
start
seed 5
set EpochEditT2 1
select CurrentClassBox 0
check S2SMLPButton
answer open DATA/monk1.dat
click Button5
expect no-message
expect editor results/monk1_86410_RE.txt
expect file results/monk1_86410_RE.txt contains "SMLP-2ch "
expect file results/monk1_86410_RE.txt contains "[Rules]"
expect no-file results/monk1_86410_wc.txt

# A cancelled dialog trains nothing.
answer open cancel
click Button5
expect no-message

# Feature ranking and expansion by S2: every feature ranked, the two best added by one change each.
check FExpandBox
set RankingEdit 2
answer open DATA/monk1.dat
click Button5
expect no-message
expect editor results/monk1_86410_FERE.txt
expect line results/monk1_86410_FERE.txt 1 "*******************0*********************"
expect file results/monk1_86410_FERE.txt contains "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"
expect file results/monk1_86410_FERE.txt contains "jacket_color  7.50000000000000E-0001"
expect file results/monk1_86410_FERE.txt contains "*******************1*********************"
expect file results/monk1_86410_WC.txt
uncheck FExpandBox

# Feature reduction by one change: a result report per trained network.
check S1SMLPButton
check FReduceBox
answer open DATA/monk1.dat
click Button5
expect no-message
expect file results/monk1_86410_rs-trn.txt contains "standard accuracy: "
uncheck FReduceBox

# "S1+S2" is not ready.
check GASMLPButton
click Button5
expect message "will be ready soon"
check S1SMLPButton

# A class chosen with a shift feature and no cut-point file: the cut-point search does nothing.
select CurrentClassBox 1
set ShiftEdit1 0
click Button5
expect no-message
set ShiftEdit1 ""
