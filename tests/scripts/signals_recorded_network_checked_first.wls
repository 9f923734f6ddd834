# "Signals after epoch" records the hidden and output signals at the end of a run's preparation. A
# network the signals cannot be recorded from under the structure the window chooses (a standard network
# with "Crossover" chosen after it was built) is refused before the preparation changes anything: the
# progress fields, the point size and the weights stay as they were.
clock 00:00:10.000 2
start
seed 7
set EpochEditT2 3
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"
check IRBox
select PSEdit 4
check SkipCheck
click Random1change
expect message "The network does not fit the chosen structure. Create the network again."
expect text PSEdit "5"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   0.560680849477649"

# With the structure the network was built for, the same run records its signals and trains.
check FullConn
click Random1change
expect no-message
expect text ep "3"
