# "SM Training": the one-change searches on iris as timed runs from a fixed seed. The variable step
# search is the default method; the epoch, the error, the success rate and the evaluation count are
# shown when it ends.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
set EpochEditT2 5

click Discrete1change
expect no-message
expect text ep "5"
expect text Label19 "Sa-DH2 (VSS)"
expect text ENVEdit "150"
expect value EditSuccess > 0.6
expect file results/iris_86410_InitWeights.txt
expect file results/iris_86410_param.txt

# "Allow bad changes" runs the search that accepts worse steps instead.
check AccBadCheck
click Random1change
expect no-message
expect text ep "5"
expect text Label19 "R. - 1 change + AccBad"
uncheck AccBadCheck

check SMstdButton
click Random1change
expect no-message
expect text ep "5"
expect text Label19 "Random - 1 change"

check SMDH1Button
click Discrete1change
expect no-message
expect text Label19 "S1-ST1"

# The in-place, ordered and weight-section variants can be chosen; the signal-table options cannot.
expect enabled InPlaceBox
expect enabled RWOrderBox
expect enabled CustOrderBox
expect enabled CreateOrderBox
expect enabled SMWSButton
expect disabled SMSTBox
expect disabled OSTBox

# Border vectors need a period of at least one epoch.
check OldDH2Box
check SelMetBox
set SelEpochEdit 0
click Discrete1change
expect message "Select border vectors  must be an Integer from 1 to 999999"
