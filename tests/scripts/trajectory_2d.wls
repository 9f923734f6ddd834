# The 2-D trajectory of an iris run: "TR 2D" does nothing before a surface, then draws after "SVD + Plot";
# "EPS" writes PCA/TR.txt, "Save" the picture (the method in its name without blanks or brackets), and "Full Screen" redraws at the screen's size.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message
click TR2DButton
expect no-message

click PlotT2
expect no-message
click TR2DButton
expect no-message
select LT2.TRBox 2
expect no-message
click LT2.Button4
expect no-message
expect file PCA/TR.txt
click LT2.Button1
expect no-message
expect file results/iris_86410_TR2D_S1-DH2-VSS_0-12_c1-c2o_s1.gif
expect no-file "results/iris_86410_TR2D_S1-DH2 (VSS)_0-12_c1-c2o_s1.gif"
click LT2.Button3
expect no-message
click LT2.Button3
expect no-message
