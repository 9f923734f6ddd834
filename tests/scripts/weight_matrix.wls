# The weight matrix at the end of a run: exported for Matlab when "PCA in Matlab (pc6.m)" is chosen,
# its epochs chosen by "from", "to", "every" and the "any" list, and shown by "Weight Matrix".
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 5

# Without a Matlab method nothing is exported.
click Discrete1change
expect no-message
expect no-file PCA/WM_weightlab.txt
click WMButton
expect no-message

# The default "to WM" (12) lies beyond the 5 epochs of the run: the export says so plainly, the run ends.
check MatLabBox
click Discrete1change
expect message "The weight matrix was not exported: the run has 5 epochs, and \"from WM\" 0 to \"to WM\" 12 is not a range of its epochs."
expect text ep "5"
expect no-file PCA/WM_weightlab.txt

# Epochs 0, 2, 4 and, from the list, 5: four lines of 4-4-3 = 35 weights.
set WMepEdit 4
set everyWMEdit 2
set anyWMEdit "5"
click Discrete1change
expect no-message
expect file PCA/WM_weightlab.txt
expect file PCA/WM_weightlab.txt contains "E+0000  "
click WMButton
expect editor PCA/WM_weightlab.txt

# A bad token of the list stops the export with its message.
set anyWMEdit "1 3-"
click Discrete1change
expect message "incorrect any WM: 3-"
