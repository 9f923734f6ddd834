# "1 change" with "L-units" on iris: the hidden neurons read interval detectors on the runs of the
# equal-width bins (their bounds in the run log), and the validation report reads the continuous set
# as it is.
clock 00:00:10.000 2
start
seed 4
set EpochEditT2 1
check NoGTPBox
check lunitsbox
answer open DATA/iris.dat
click Simple1
click SMLP1change
expect no-message
expect file results/iris_86410_SMLP.txt contains "N1.b=-10000     N2.b="
expect file results/iris_86410_SMLP.txt contains "     N2.b=10000"
expect no-file results/iris_86410_trnd.dat

answer open DATA/iris.dat
click OnValidationSet1
expect no-message
expect editor results/iris_86410_RE.txt
expect file results/iris_86410_RE.txt contains "(with validation Set)"
expect file results/iris_86410_RE.txt contains "[Rules]"
# The rules read the validation set in the training set's normalisation; the outer units have no bound.
expect file results/iris_86410_RE.txt contains "Interval bounds are in normalised units (F[v]-F_mean)/Std_dev; name=a_b holds the values strictly between a and b, so a value equal to a bound lies in neither interval next to it; -inf and inf are open ends"
expect file results/iris_86410_RE.txt contains "=-inf_"
expect file results/iris_86410_RE.txt contains "Success Rate: "

# More than three hidden neurons per class is refused.
set HidPerOutEdit 4
set HidPerOut1Edit 4
set HidPerOut2Edit 4
click SMLP1change
expect message "An L-unit network holds at most 3 hidden neurons per class (class 0 has 4). Set the hidden neurons of the classes to 3 or fewer."
