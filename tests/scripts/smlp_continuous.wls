# An SMLP run on continuous features: the data set is discretized first (equal numbers of vectors per
# interval) and the discretized file becomes the data set; a validation set is discretized with the
# training set's bounds before its rules report.
clock 00:00:10.000 2
start
set EpochEditT2 1
set slEdit 3
answer open DATA/iris.dat
click Simple1
click SMLP1change
expect no-message
expect file results/iris_86410_trnd.dat contains "discrete  3"
expect text Label56 "Vectors=150  L0=12  L1=3  L2=3"
answer open DATA/iris.dat
click OnValidationSet1
expect no-message
expect file results/iris_86410_RE.txt contains "(with validation Set)"
expect file results/iris_86410_tstd.dat
