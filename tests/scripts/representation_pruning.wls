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
# The network caption shows the network of two inputs.
expect text Label56 "Vectors=24  L0=2  L1=4  L2=2"
click OnTrainingSet1
expect no-message
# The report lists two weights per hidden neuron: the network lost the input of the zero feature.
expect line results/blobs_zero_86420_rs-trn.txt 32 "Neuron0:  biass = -0.612111"
expect line results/blobs_zero_86420_rs-trn.txt 34 "      weight1 = -10.334732"
expect line results/blobs_zero_86420_rs-trn.txt 35 "Neuron1:  biass = 0.095011"

# A pruned run ends like any other: its weight matrix is exported for Matlab, and its error surface is
# drawn over the weights the network kept.
clock 00:00:30.000 2
answer open DATA/blobs_zero.dat
click Simple1
click RandomLinearInput1
check MatLabBox
set WMepEdit 4
click Discrete1change
expect no-message
expect text ep "4"
# Epoch 0 of the matrix: the first weights of the 3-4-2 network without those on the zero feature
# (4 x 3 + 2 x 5 = 22).
expect line PCA/WM_weightlab.txt 1 "-3.37392439600080E-0001  -3.47154211252928E-0001  -2.87994249723852E-0001   8.54142863769084E-0001   8.82626568898559E-0001  -7.29277205653489E-0001  -2.94317127671093E-0001  -1.61696322262287E-0001  -3.23261807672679E-0001  -9.40935007762164E-0001  -6.51306947693229E-0001   1.31895682774484E-0001  -1.22878802474588E-0001  -5.03979030996561E-0001   3.62486283760518E-0001  -4.04827511869371E-0001   9.63038381654769E-0001   8.37725801393390E-0001  -4.61293705739081E-0002   5.77723260037601E-0001   6.05780840851367E-0002   5.32556653022766E-0001  "
check CMBox
click PlotT2
expect no-message
expect text ep " done"
