# A run of no epoch with the weight-matrix export chosen ("PCA in Matlab") exports nothing, and every
# trainer says why in the same words.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
set EpochEditT2 0
check MatLabBox

check S1DT2
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check S1RT2
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check S2DT2
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check NGT2
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check BPButton
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check S1DT2
check SMWSButton
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
check InPlaceBox
click NTButton
expect message "The weight matrix was not exported: the run trained no epoch."
expect no-message
