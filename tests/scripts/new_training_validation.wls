# "On Validation Set" after "New Training" on iris: a set that does not fit the network is refused and
# the training set stays; a set that fits is reported under its own name and becomes the current set.
copy ../data/new_training_speed.ini weightlab.ini
copy ../data/iris_two_classes.dat DATA/
clock 00:00:10.000 2
start
seed 3
answer open DATA/iris.dat
click TrainingT2
expect no-message
expect file results/iris_86410_InitWeights.txt

# Other features: the reader refuses the set (the training set's normalisation does not fit it).
clock 00:00:30.000 2
answer open DATA/breast_cancer.dat
click OnValidationSet1
expect message-containing "DATA/breast_cancer.dat"
expect text Label18 "iris.dat"
expect no-file results/breast_cancer_86430_rs-tst.txt

# Other classes: refused before any report is written; the training set and its names stay.
answer open DATA/iris_two_classes.dat
click OnValidationSet1
expect message "The validation set does not fit the trained network: it has 2 classes; the network has 3 outputs. No report is written."
expect text Label18 "iris.dat"
expect no-file results/iris_two_classes_86430_rs-tst.txt
click OnTrainingSet1
expect no-message
expect editor results/iris_86410_rs-trn.txt

# A cancelled dialog writes nothing.
answer open cancel
click OnValidationSet1
expect no-message
expect no-file results/iris_86430_rs-tst.txt

# The set that fits: its report, in the editor, under the name of the validation file.
answer open DATA/iris.dat
click OnValidationSet1
expect no-message
expect editor results/iris_86430_rs-tst.txt
expect file results/iris_86430_rs-tst.txt contains "DATA/iris.dat (with validation Set)"
expect file results/iris_86430_rs-tst.txt contains "NumOfEpochs: 12"
expect file results/iris_86430_rs-tst.txt contains "standard accuracy: 0."
expect file results/iris_86430_rs-tst.txt contains "   -         0     0     0"
