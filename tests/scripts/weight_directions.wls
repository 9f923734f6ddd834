# The weight directions of an XOR run: "WM Distance" and "WM Error" on its exported weight matrix, the
# surface re-mapped by fi and h after "Prepare Modifications", the local PCA and the direction tables.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
set EpochEditT2 12
check MatLabBox
click Discrete1change
expect no-message
expect file PCA/WM_weightlab.txt

# Every weight scanned between epochs 1 and 2; the sections of hidden neuron 1.
set LEdit 1
set NEdit 1
check LogWMDBox
answer open PCA/WM_weightlab.txt
click Button6
expect no-message
expect unchecked VdwBox
expect text ep "current weight: 12 / 12"
expect file PCA/w-o-v.txt
expect file results/xor_86410_LogWMD.txt
expect text ORF "ES sections"

answer open PCA/WM_weightlab.txt
click Button7
expect no-message
expect file PCA/LM_weights.txt

# Before a surface the re-mapping does nothing and the tables refuse.
click ImproveButton
expect no-message
click CompareDirections1
expect message "First Perform the Error Surface Plot"

check CMBox
select ESQBox 3
click PlotT2
expect no-message
click ImproveButton
expect message "First Press Prepare Modifications"
click Button1
expect no-message
set fiEdit 30
set VertEdit 2
click ImproveButton
expect no-message
expect file results/xor_86410_impeps.txt

click LocalPCA1
expect no-message

click CompareDirections1
expect no-message
expect line results/xor_86410_TRdir.txt 1 "  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)   Error[e]    ||W[e]||   cos(W[e],W[12])     cos(W[e]-W[e-1],W[12]-W[0])  cos(W[e],PCA)   cos(W[e]-W[e-1],PCA)"
click AllDirections1
expect message "All Directions needs the PCA and ICA directions read from the Matlab files"
click PCAICADirections1
expect no-message
