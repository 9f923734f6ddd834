# "WMD" reads the weight matrix of the last training from PCA: a matrix made for another network (the
# 2-2-2 xor perceptron's 12 weights a row, read into the 19 weights of an iris network) is refused,
# naming the file and the line, before any weight of the network changes.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
set EpochEditT2 3
check MatLabBox
click RandomLinearInput1
click NTButton
expect no-message
expect file PCA/WM_weightlab.txt

answer open DATA/iris.dat
click Simple1
click DeterministicValues
click Button8
expect message-containing "PCA/WM_weightlab.txt, line 2 holds 12 weights, the network has 19: the file was made for another network."
click SaveCurrentWeightstoFile1
expect no-message
expect line results/iris_10_FinalWeights.txt 1 "1  0  0   1.000000000000000"
expect line results/iris_10_FinalWeights.txt 10 "1  1  4   -1.000000000000000"
