# The exchange files of "PCA in Matlab" and "ICA in Matlab" after a Matlab import in a session without
# an earlier training: valid files are read; a component file of 2 lines for 12 weights, an all-zero one
# and a negative first eigenvalue are refused naming the file, and the components in use stay; a scores
# file short of epochs stops the plot with one message.
clock 00:00:10.000 2
copy ../data/matlab_config.txt PCA/config.txt
copy ../data/matlab_wm.txt PCA/WM_matlab.txt
copy ../../DATA/xor.dat DATA/two.DAT
start
click importWMButton
expect no-message
expect text ep " done"

copy ../data/eig_12.txt PCA/eig_w.txt
copy ../data/pcomp_12.txt PCA/pcomp_w.txt
check MatLabBox
click PlotT2
expect no-message
expect text ep " done"

copy ../data/pcomp_12_short.txt PCA/pcomp_w.txt
click PlotT2
expect message-containing "PCA/pcomp_w.txt: 2 lines for the 12 weights of the network"
copy ../data/pcomp_12_zero.txt PCA/pcomp_w.txt
click PlotT2
expect message-containing "PCA/pcomp_w.txt: every value is 0"
copy ../data/pcomp_12.txt PCA/pcomp_w.txt
copy ../data/eig_12_negative.txt PCA/eig_w.txt
click PlotT2
expect message-containing "PCA/eig_w.txt: the first eigenvalue -1 is negative"
# The components read first are still in use.
click ONPButton
expect no-message
click EvalButton
expect no-message

copy ../data/eig_12.txt PCA/eig_w.txt
copy ../data/ica_12.txt PCA/ica_a.txt
check FastICABox
click PlotT2
expect no-message
expect text ep " done"

check CMBox
copy ../data/scores_12_short.txt PCA/scores_w.txt
click PlotT2
expect message "Error in scores_w.txt line 2:  is not a real number"
expect no-message
