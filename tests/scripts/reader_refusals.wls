# The file readers say what is wrong with a bad file, naming it, and change nothing: values of the
# settings file that a number field cannot use are kept out at start (the fields keep their defaults), an
# empty data set, a batch file without a task or with a bad line, a cut-point file without cut points.
copy ../data/settings_bad_values.ini weightlab.ini
clock 00:00:10.000 2
start
expect message-containing "weightlab.ini, line 2: InitialWeight='NaN' was not used (it is not a number); the field keeps '1.0'"
expect text InitEdit "1.0"
expect text MEdit4 "7"

copy ../data/datafile_empty.dat DATA/
answer open DATA/datafile_empty.dat
click Simple1
expect message-containing "DATA/datafile_empty.dat is empty"
expect text Label18 "none"

copy ../data/batch_junk.txt junk.txt
answer open junk.txt
click BatchMode1
expect message-containing "junk.txt holds no task"
expect no-file results

# A file refused at its third line has taken over nothing of its first two.
copy ../data/batch_refused.txt refused.txt
answer open refused.txt
click BatchMode1
expect message-containing "refused.txt, line 3: the initial-weight scheme must be from 1 to 8, not 9"
expect text SlopeEdit "1"
expect no-file results

# The SMLP training discretizes iris by the file named in "DiscrFileEdit": one without cut points is
# refused instead of passed over for equal numbers.
copy ../data/cuts_junk.txt cuts_junk.txt
set EpochEditT2 1
set DiscrFileEdit cuts_junk
check S1SMLPButton
answer open DATA/iris.dat
click Button5
expect message-containing "cuts_junk.txt holds no"
expect no-file results/iris_86410_trnd.dat
exit

# The file written at exit holds the defaults the fields kept: the next start reads it without a word.
start
expect no-message
expect text InitEdit "1.0"
exit
