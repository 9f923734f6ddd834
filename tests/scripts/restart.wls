# Files: the program directory outlives the program; a new start begins with the controls the last exit
# saved in the settings file.
clock 09:30:15.250 100
copy restart.wls results/copy.txt
expect file DATA
expect file results/copy.txt
expect file results/copy.txt contains "outlives the program"
expect line results/copy.txt 1 "# Files: the program directory outlives the program; a new start begins with the controls the last exit"
expect line results/copy.txt 2 "# saved in the settings file."
expect line results/copy.txt 3 "clock 09:30:15.250 100"
expect no-file results/none.txt

start
seed 12345
set InitEdit 2.5
check S1RT2
page 2
exit

expect file results/copy.txt
copy restart.wls results/
expect file results/restart.wls
expect file weightlab.ini
start
expect text InitEdit "2.5"
expect checked S1RT2
expect unchecked S1DT2
expect text P1 "SMLP"
exit
