# The 1-D trajectory and the extrapolation of an iris run: "TR 1D" and "TR EX" do nothing before a
# surface; after "SVD + Plot" "TR EX" without marks puts the last epoch's weights back (old and new error
# alike); the plot is drawn for two components (the panel saying what the axis past the trained epochs
# is for), a target marked on each with Ctrl (a press without it marks nothing) and saved; "TR EX" moves
# the weights and "Continue training" trains VSS on from there.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message
click Button3
click Button2
expect no-message
expect text ge "3.9628 / 125.081"

click PlotT2
expect no-message
click Button2
expect no-message
expect text ge "O=3.96 N=3.96"
click Button3
expect no-message
expect text EForm "Trajectory 1D     iris 4-4-3      540   18   2.9   1.1   0.40   0.30"
expect text EForm.Label1 "Epochs 0 to 12 trained; the axis runs on to 24 for the target: Ctrl+click at the height component 1 should reach, then \"TR EX\"."
press EForm 400 0
press EForm 400 0 ctrl
select EForm.c1box 1
expect no-message
expect text EForm.Label1 "Epochs 0 to 12 trained; the axis runs on to 24 for the target: Ctrl+click at the height component 2 should reach, then \"TR EX\"."
press EForm 300 240 right ctrl
click EForm.Button1
expect no-message
expect file results/iris_86410_ext_c2_s1.gif
click Button2
expect no-message
expect text ge "O=3.96 N=10.03"

set EpochEditT2 5
click NTButton
expect no-message
expect text OnTopForm "On Top      128-66-29"
expect text ep "5"
expect text modWEdit "140.18"
