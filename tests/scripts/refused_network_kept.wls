# A refused "Create Network" keeps the previous network, and with it the layer count that describes it:
# saving the weights afterwards writes every layer of the kept network, the output layer included.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click DeterministicValues
expect no-message

# No hidden layer and skip connections with deterministic weights: refused, the 2-2-2 network stays.
set HiddenEditT2 0
check SkipCheck
click DeterministicValues
expect message "Skip connections are selected. Select random weights with linear inputs"
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_10_FinalWeights.txt 1 "1  0  0   1.000000000000000"
expect line results/xor_10_FinalWeights.txt 7 "2  0  0   1.000000000000000"
expect line results/xor_10_FinalWeights.txt 12 "2  1  2   -1.000000000000000"

# A parameter that does not pass: nothing built, the network still whole.
check FullConn
set InitEdit -1
click RandomValues
expect message "Initial Weights Range must be a Number from 0 to 9999"
click SaveCurrentWeightstoFile1
expect line results/xor_10_FinalWeights.txt 12 "2  1  2   -1.000000000000000"
