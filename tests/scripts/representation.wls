# "Signals after epoch": a run on iris records the signals of every epoch and writes MFF.txt at its
# start; "Show" draws an epoch in the representation windows, whose epoch field redraws and, with
# "Auto Save", saves both pictures; "On Validation Set" records and draws the validation set's signals.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
set EpochEditT2 4
check IRBox
set IREdit 100
click Discrete1change
expect no-message
expect text ep "4"
expect text ENVEdit "150"
expect file results/MFF.txt
# iris is read normalised: the first vector's two features as the network sees them, and the winner of the
# untrained network.
expect line results/MFF.txt 1 "-8.97673879196766E-0001   1.01560199071363E+0000  2"

# "Show" with the grouping epoch's field: four hidden neurons are drawn over parallel axes.
set IREdit 2
click IRButton
expect no-message
expect text ORF.SE "2"

# Stepping the epoch field with "Auto Save".
check ORF.ASB
set ORF.SE 3
expect no-message
expect file results/iris_86410_ORS-3_s1.gif
expect file results/iris_86410_HRP-3_s1.gif
expect no-file results/iris_86410_HRS-3_s1.gif
set ORF.SE -3
expect text ORF.SE "0"
expect file results/iris_86410_ORS-0_s1.gif
set ORF.SE 40
expect text ORF.SE "4"
uncheck ORF.ASB
click HPF.Button1
expect file results/iris_86410_HRP-2_s1.gif
click ORF.Button1
expect file results/iris_86410_ORS-4_s1.gif

# An epoch beyond the run is refused.
set IREdit 9
click IRButton
expect message-containing "No signals are recorded for epoch 9"

# The validation set's signals.
answer open DATA/iris.dat
click OnValidationSet1
expect editor results/iris_86410_rs-tst.txt
expect no-message
# The trained network puts the first flower into its class.
expect line results/MFF.txt 1 "-8.97673879196766E-0001   1.01560199071363E+0000  0"
expect text ORF.SE "4"
