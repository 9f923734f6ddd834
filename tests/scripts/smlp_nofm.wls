# "N of M 4/5" on monk1: the four-layer N-of-M network, its initial weights and the weights trace; a rules
# file only when a unit is split.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 1
answer open DATA/monk1.dat
click Simple1
expect no-message
click NofM1
expect no-message
expect file results/monk1_86410_InitWeights.txt
expect line results/monk1_86410_wp.txt 1 "1.0.s=  0.00000000000000E+0000"
expect file results/monk1_86410_wp.txt contains "********************************************"
# One sweep of the value weights leaves no unit between "or" and "and" here: no rules file.
expect no-file results/monk1_86410_rf.txt

# Two sweeps on iris (discretized first) leave the class-0 unit between "or" and "and": it is split into a
# conjunction (no feature is active in most vectors here, so it is empty) and an N-of-M part, the value
# weights are searched again, and the rules file holds one line per class, each unit with its N, and the
# count of the vectors the rules classify as the network does.
set EpochEditT2 2
answer open DATA/iris.dat
click Simple1
expect no-message
click NofM1
expect no-message
expect line results/iris_86410_rf.txt 1 "class 0 if  at least 2 of ((sepal_length=_-1.259964 or -1.259964_-1.018437 or -1.018437_-0.656147 or -0.656147_-0.293857), (sepal_width=0.327318_0.786174 or 0.786174_1.474458 or 1.474458_), (petal_length=_-1.335752 or -1.335752_-1.279104 or -1.279104_-1.165809), petal_width=-1.311052_-1.048667)"
expect line results/iris_86410_rf.txt 2 "class 1 if  sepal_width=_-1.278680    or  petal_length=0.080440_0.363678 or 0.363678_0.533621 or 0.533621_0.703564"
expect line results/iris_86410_rf.txt 3 "class 2 if  petal_length=0.703564_0.930154 or 0.930154_1.156745 or 1.156745_    or  petal_width=0.788031_0.919223 or 0.919223_1.312801"
expect line results/iris_86410_rf.txt 4 "Rules agree with the network on 150 of 150 vectors"
