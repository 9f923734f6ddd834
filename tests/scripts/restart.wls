# Files: the program directory outlives the program; a new start begins with the default controls.
clock 09:30:15.250 100
copy restart.wls results/copy.txt
expect file DATA
expect file results/copy.txt
expect file results/copy.txt contains "outlives the program"
expect line results/copy.txt 1 "# Files: the program directory outlives the program; a new start begins with the default controls."
expect line results/copy.txt 2 "clock 09:30:15.250 100"
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
start
expect text InitEdit "1.0"
expect checked S1DT2
expect text P1 "Network and Error"
exit
