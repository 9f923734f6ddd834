# "SSA" trains plain sigmoid networks only: another output transfer function is refused before the
# dialog's data set is read and the network built anew, so the iris perceptron stays as it was.
clock 00:00:10.000 1
start
answer open DATA/iris.dat
click Simple1
set HiddenEditT2 2
click DeterministicValues
expect no-message
select OutTF 1
click Button4
expect message "SSA trains networks of plain sigmoid neurons only. Choose the sigmoid transfer function for every layer."
click SaveCurrentWeightstoFile1
expect no-message
expect line results/iris_10_FinalWeights.txt 10 "1  1  4   -1.000000000000000"
expect line results/iris_10_FinalWeights.txt 19 "2  2  2   -1.000000000000000"

# Four layers in the fields: the signal table the trials use serves two or three, refused as early.
select OutTF 0
set Hid3EditT2 2
click Button4
expect message "The signal table serves networks of two or three layers only."
click SaveCurrentWeightstoFile1
expect line results/iris_10_FinalWeights.txt 19 "2  2  2   -1.000000000000000"
