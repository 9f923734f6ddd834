# The error surface of an iris run: "SVD + Plot" at poor quality, "EPS" refused until the plot is of high
# quality, the picture saved under its descriptive name, the grid exported, and "Find PCA Minimum".
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message

click PlotT2
expect no-message
expect text ep " done"
click EPSButton
expect message "First Perform the Plot in High Quality"

select ESQBox 0
click PlotT2
expect no-message
click EPSButton
expect no-message
expect file PCA/eps.txt
click NG3D.SaveButton
expect no-message
expect file results/iris_86410_100pp_4-4-3-cm_0-12_c1-c2_s1.gif

set PCAminEdit 2
click FindPCAMinimum1
expect no-message
