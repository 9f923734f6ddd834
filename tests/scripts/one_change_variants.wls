# The one-change variants on XOR from fixed seeds: the custom order template and a custom order file,
# the random weight order, the weight-section search and its error file, the in-place twins, the search
# accepting worse steps, and the timed "SSA" run.
clock 00:00:10.000 1
start
seed 12345
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
set EpochEditT2 3

# The two order boxes exclude each other.
check RWOrderBox
check CustOrderBox
expect unchecked RWOrderBox
check RWOrderBox
expect unchecked CustOrderBox
uncheck RWOrderBox

# "CreateOrder" writes the template of the custom order, opens it and trains nothing.
check CustOrderBox
check CreateOrderBox
click Discrete1change
expect no-message
expect editor results/xor_10_CustOrder.txt
expect line results/xor_10_CustOrder.txt 1 "1   0   0   1"
expect line results/xor_10_CustOrder.txt 12 "2   1   2   12"
expect no-file results/xor_10_InitWeights.txt
uncheck CreateOrderBox

# A custom order file of the wrong length is refused; a cancelled dialog trains nothing.
copy ../data/xor_order_short.txt DATA/
answer open DATA/xor_order_short.txt
click Discrete1change
expect message "Incorrect number of weights in custom order file"
expect no-file results/xor_10_InitWeights.txt
answer open cancel
click Discrete1change
expect no-message
expect no-file results/xor_10_InitWeights.txt

# One that names a weight the network does not have is refused with its line.
copy ../data/xor_order_bad.txt DATA/
answer open DATA/xor_order_bad.txt
click Discrete1change
expect message-containing "xor_order_bad.txt, line 12: layer 2, neuron 2, weight 2 is not a weight of the network"

# A fitting file: the output layer first.
copy ../data/xor_order.txt DATA/
answer open DATA/xor_order.txt
click Discrete1change
expect no-message
expect text ep "3"
expect text Label19 "Sa-DH2 (VSS)"
expect file results/xor_10_InitWeights.txt

# A new random order in every epoch.
check RWOrderBox
expect unchecked CustOrderBox
click Discrete1change
expect no-message
expect text ep "3"
uncheck RWOrderBox

# The weight-section search writes every error of its scans: 12 weights and a separator per epoch.
check SMWSButton
set WSRangeEdit 1
set WSdeltaEdit 0.5
click Discrete1change
expect no-message
expect text Label19 "Discrete - 1 change ST"
expect text ep "3"
expect line results/xor_10_errorsections.txt 13 "**********"
expect line results/xor_10_errorsections.txt 39 "**********"

# In place: the twin of the weight-section search, then that of the variable step search.
check InPlaceBox
click Discrete1change
expect no-message
expect text ep "3"
expect text Label19 "Discrete - 1 change ST"
check OldDH2Box
click Discrete1change
# This search builds the weight matrix for Matlab whatever is chosen, when its range fits the run: epochs
# 0 to 12 do not fit a 3-epoch run, which is said plainly; epochs 0 to 3 are built.
expect message "The weight matrix was not exported: the run has 3 epochs, and \"from WM\" 0 to \"to WM\" 12 is not a range of its epochs."
expect text ep "3"
expect text Label19 "Sa-DH2 (VSS)"
set WMepEdit 3
click Discrete1change
expect no-message
expect text ep "3"
set WMepEdit 12
# "standard" has no in-place twin: nothing is trained (the label stays that of the last run).
check SMstdButton
click Discrete1change
expect no-message
expect text Label19 "Sa-DH2 (VSS)"
uncheck InPlaceBox
check OldDH2Box

# "Allow bad changes" with "Random - 1 change".
check AccBadCheck
click Random1change
expect no-message
expect text Label19 "R. - 1 change + AccBad"
expect text ep "3"
uncheck AccBadCheck

# "SSA" asks for the data set, builds a new network and times its training.
clock 00:00:20.000 1
answer open DATA/xor.dat
click Button4
expect no-message
expect text Label19 "SSA"
expect text ep "3"
expect file results/xor_20_InitWeights.txt
# A cancelled dialog ends it at once.
answer open cancel
set ep "-"
click Button4
expect no-message
expect text ep "-"
