# "Progressive Mode" on an iris run: "SVD + Plot" draws the frame of "ES fixed at epoch"; ">" and "<"
# step one epoch within 0 .. 12 and down to the zero point -1; "=" draws the epoch typed; outside the
# bounds the buttons do nothing; after a new training they do nothing until the next surface.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message

# Before a surface the buttons do nothing.
click NG3D.Button3
expect no-message
expect text NG3D.ReDrawEdit "-1"

check PMBox
set ESFixedEdit 1
select ESQBox 3
click PlotT2
expect no-message
expect text NG3D.ReDrawEdit "1"
click NG3D.Button3
expect no-message
expect text NG3D.ReDrawEdit "2"
click NG3D.Button4
click NG3D.Button4
expect text NG3D.ReDrawEdit "0"
click NG3D.Button4
expect no-message
expect text NG3D.ReDrawEdit "-1"
click NG3D.Button4
expect text NG3D.ReDrawEdit "-1"
click NG3D.Button3
expect text NG3D.ReDrawEdit "0"

set NG3D.ReDrawEdit 12
click NG3D.Button1
expect no-message
expect text NG3D.ReDrawEdit "12"
click NG3D.Button3
expect text NG3D.ReDrawEdit "12"
set NG3D.ReDrawEdit 13
click NG3D.Button1
expect text NG3D.ReDrawEdit "13   "
set NG3D.ReDrawEdit 5
click NG3D.Button1
expect text NG3D.ReDrawEdit "5"
# A right click near the trajectory over a frame.
press NG3D 300 400 right
expect no-message
click NG3D.SaveButton
expect no-message
expect file results/iris_86410_100pp_4-4-3-cm_0-12_c1-c2_s1.gif

# A new training: the frames of the old run are gone.
click Discrete1change
expect no-message
set NG3D.ReDrawEdit 3
click NG3D.Button1
expect text NG3D.ReDrawEdit "3    "
click PlotT2
expect no-message
expect text NG3D.ReDrawEdit "1"
click NG3D.Button3
expect text NG3D.ReDrawEdit "2"
