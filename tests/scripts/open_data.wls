# Opening a data set through the "Open" menu: the dialog, the labels and the results folder; a bad file
# is refused and the loaded set stays.
clock 00:00:10.000 2
start
expect text Label18 "none"
expect no-file results

# Cancel changes nothing.
answer open cancel
click Simple1
expect no-message
expect text Label18 "none"
expect no-file results

answer open DATA/iris.dat
click Simple1
expect no-message
expect text Label18 "iris.dat"
expect text Label55 "   "
expect text Label56 "   "
expect file results

copy ../data/datafile_short_row.dat DATA/
answer open DATA/datafile_short_row.dat
click Simple1
expect message-containing "DATA/datafile_short_row.dat, line 10: the row has 2 values; 3 are needed"
expect text Label18 "iris.dat"

# A function-approximation set needs "Function Approximation".
answer open DATA/sine.dat
click Simple1
expect message-containing "check \"Function Approximation\""
expect text Label18 "iris.dat"
check FApproxBox
answer open DATA/sine.dat
click Simple1
expect no-message
expect text Label18 "sine.dat"

# The symbolic set reads without a message (no continuous feature to normalise).
uncheck FApproxBox
answer open DATA/monk1.dat
click Simple1
expect no-message
expect text Label18 "monk1.dat"
