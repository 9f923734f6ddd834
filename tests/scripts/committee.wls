# "New Training" with a committee of three: each network is trained on the chosen file and tested on the
# file of the same name with "t" appended; the members' answers, the majority vote's accuracy and the
# members' reports are written, and the accuracies are opened in the editor.
copy ../data/cv_twelve.dat DATA/
copy ../data/cv_twelve.datt DATA/
clock 00:00:10.000 2
start
seed 9
check NoGTPBox
set EpochEditT2 3
set HiddenEditT2 2
set CommEdit 3
answer open DATA/cv_twelve.dat
click TrainingT2
expect no-message
expect editor results/cv_twelve_86410_CV.txt
expect line results/cv_twelve_86410_CV.txt 2 ""
expect file results/cv_twelve_86410_CV.txt contains "      TEST= "
expect line results/cv_twelve_86410_comm.txt 17 "*********** 0 ***********"
expect file results/cv_twelve_86410_CVRE.txt contains "cv_twelve.datt (- crossvalidation)"
expect text Label18 "cv_twelve.datt"
expect no-file results/cv_twelve_86410_InitWeights.txt

# Without its test file the committee trains nothing.
clock 00:00:20.000 2
answer open DATA/xor.dat
click TrainingT2
expect message-containing "xor.datt does not exist"
expect no-file results/xor_86420_CV.txt
