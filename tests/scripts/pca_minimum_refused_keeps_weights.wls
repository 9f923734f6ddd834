# "Find PCA Minimum" redraws the surface before it searches its line: a redraw that is refused (no
# first component chosen, or a second component whose eigenvalue is 0) stops the search with the
# network as it was.
clock 00:00:10.000 2
start
seed 7
set EpochEditT2 3
set WMepEdit 3
check NoGTPBox
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
click Discrete1change
expect no-message
click PlotT2
expect no-message
expect text ep " done"
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   -1.772324502234726"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.407599532263480"

# No first component chosen.
set PCAminEdit 2
set c1box ""
click FindPCAMinimum1
expect message "Error: Eigenvalue[1]=0"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   -1.772324502234726"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.407599532263480"
select c1box 0

# The sixth component of a trajectory of four points has no variance.
select c2box 5
click FindPCAMinimum1
expect message "Error: Eigenvalue[5]=0"
click SaveCurrentWeightstoFile1
expect line results/xor_86410_FinalWeights.txt 1 "1  0  0   -1.772324502234726"
expect line results/xor_86410_FinalWeights.txt 12 "2  1  2   -0.407599532263480"
select c2box 1

# With the components chosen again the search runs and moves the network.
click FindPCAMinimum1
expect no-message
