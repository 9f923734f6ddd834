# "NG Training": numerical-gradient training of an iris network by each item of the menu, from a fixed
# seed and clock. Each run shows its last epoch, the error against the start error and the accuracy; the
# step factor of every epoch goes to "_optH.txt"; the chart of the error sections can be saved as "_NG".
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
set EpochEditT2 4

# "(Old-New)/Old", timed: relative probing and the grid search along the direction.
click NG_old
expect no-message
expect text ep "4"
expect text Label19 "Numerical Gradient"
expect value EditSuccess > 0.6
expect file results/iris_86410_InitWeights.txt
expect file results/iris_86410_optH.txt
expect line results/iris_86410_optH.txt 1 "32.3443"
expect value opt_hEdit > 1
expect value av_hEdit > 1
expect text alsigEdit "1,006,500"

click NG_max
expect no-message
expect text Label19 "Numerical Gradient"

click deltaW01
expect no-message
expect text ep "4"

click GlobalthenLocal1
expect no-message
expect text ep "4"

click OldNewOldifneeded1
expect no-message
expect text ep "4"

# "Global --> Local" keeps no records; it writes the weights after every epoch.
click GlobalLocal1
expect no-message
expect file results/iris_86410_FinalWeights.txt

# The other step rules.
check DH1Button
click NG_old
expect no-message
expect text ep "4"
check NoH
click NG_old
expect no-message
expect text ep "4"
check h01

# The error sections, drawn and saved.
check ChartH
click NG_old
expect no-message
click NGF.Button1
expect no-message
expect file results/iris_86410_NG_s1.gif
uncheck ChartH

# The direction of every epoch, logged.
check LogGradientBox
click NG_old
expect no-message
expect file results/iris_86410_nggradients.txt
uncheck LogGradientBox

# "V contra dW": every weight scanned at epochs 1 and 2 of "WMD epoch 1" and "2", the pictures shown.
check VdwBox
set VdwEdit2 2
click NG_old
expect no-message
expect text ep "4"
expect text HRF "dS+dw epoch=1  red=hidden  blue=output"
expect text ORF "ES sections"
uncheck VdwBox

# A beam of width 2: four candidates per epoch, logged to "_xng.txt".
set NGBW 2
click NG_old
expect no-message
expect line results/iris_86410_xng.txt 1 "epoch=1"
expect line results/iris_86410_xng.txt 6 "epoch=2"
expect file results/iris_86410_xng.txt contains "  modV="
expect text ep "4 1"
click OldNewOldifneeded1
expect no-message
expect line results/iris_86410_xng.txt 11 "epoch=3"
