# The grouping and the pruning routes of "Signals after epoch". On iris the grouping at epoch 2 joins the
# flowers the hidden neurons cannot tell apart and training goes on with one of each group; on a set
# whose third feature is always 0 the pruning at epoch 2 removes that feature, and training goes on with
# a network of two inputs.
copy ../data/new_training_speed.ini weightlab.ini
copy ../data/blobs_zero.dat DATA/
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 4
check IRBox
set IREdit 2
click Discrete1change
expect no-message
expect text ep "4"
expect line results/iris_86410_CTF.txt 1 "  vect  class cl-num  mult"
expect line results/iris_86410_CTF.txt 153 "  vect  class   mult  old-vect"
expect text ENVEdit "141"

clock 00:00:20.000 2
uncheck NormCheck
answer open DATA/blobs_zero.dat
click Simple1
click RandomLinearInput1
set IREdit 100
set PrunEdit 2
set DWTREdit 0.0000001
click Discrete1change
expect no-message
expect text ep "4"
click OnTrainingSet1
expect no-message
# The report lists two weights per hidden neuron: the network lost the input of the zero feature.
expect line results/blobs_zero_86420_rs-trn.txt 32 "Neuron0:  biass = -0.612111"
expect line results/blobs_zero_86420_rs-trn.txt 34 "      weight1 = -10.334732"
expect line results/blobs_zero_86420_rs-trn.txt 35 "Neuron1:  biass = 0.095011"
