# The 3-D trajectory of an iris run: "TR 3D" does nothing before a surface, then draws in the box after
# "SVD + Plot"; the arrows of its up-downs (and of the 2-D window's) redraw; "Save" writes the picture.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message
click TR3DButton
expect no-message
expect text LT3 "Trajectory 3D"

click PlotT2
expect no-message
click TR3DButton
expect no-message
updown LT3.UpDown3 up
updown LT3.UpDown3 down
updown LT3.UpDown1 up
updown LT3.UpDown2 down
updown LT3.UpDown4 up
select LT3.c3box 3
select LT3.TRBox 2
check LT3.PropBox
expect no-message
click LT3.Button2
expect no-message
expect file results/iris_86410_TR3D_S1-DH2-VSS_0-12_c1-c2p_s1.gif
expect no-file "results/iris_86410_TR3D_S1-DH2 (VSS)_0-12_c1-c2p_s1.gif"
click LT3.Button3
expect no-message
click LT3.Button3
expect no-message

click TR2DButton
updown LT2.UpDown3 up
updown LT2.UpDown1 down
updown LT2.UpDown2 up
expect no-message
