# The trajectory over the error surface of an iris VSS run: "Trajectory  W" and "W[max_e]-W[0] and
# PCx[w]" do nothing before a surface; "SVD + Plot" draws the "Color Trajectory"; a right click near an
# epoch's point shows its recorded error and puts its weights into the trajectory weight window; the
# "_WPC" files; the blue and detailed styles; an online backpropagation run and a batch run after it.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message
expect text Label19 "Sa-DH2 (VSS)"

click TrajectoryW1
expect no-message
click Button12
expect no-message
expect no-file results/iris_86410_WPC0.txt

select NG3D.TRBox 1
click PlotT2
expect no-message
expect text ep " done"
click TrajectoryW1
expect no-message
click Button12
expect no-message
expect file results/iris_86410_WPC0.txt contains "E+0000  "
expect file results/iris_86410_WPC1.txt

# Epoch 2's point is drawn at (305, 435); a click two pixels off still finds it.
click WTRButton
expect no-message
press NG3D 307 433 right
expect no-message
expect text NG3D.TrEdit "29.6639"
expect value modWEdit > 0
# Nothing there: no point, no change.
press NG3D 5 5 right
expect text NG3D.TrEdit "29.6639"
# The left button still picks the surface.
press NG3D 300 480
expect no-message
expect value NG3D.erEdit > 0

select NG3D.TRBox 3
expect no-message
select NG3D.TRBox 2
expect no-message
click NG3D.C2
expect no-message
click NG3D.tc1
expect no-message

# Online backpropagation: the path of every presented vector; the batch radio alone does not change it.
set EpochEditT2 3
set WMepEdit 3
check OnlineBP
click Backpropagation1
expect no-message
select NG3D.TRBox 1
click PlotT2
expect no-message
check BatchBP
click TrajectoryW1
expect no-message
click ONPButton
expect no-message
# Batch: a run of 6 epochs, so that the second component is more than rounding noise.
set EpochEditT2 6
set WMepEdit 6
click Backpropagation1
expect no-message
click PlotT2
expect no-message
