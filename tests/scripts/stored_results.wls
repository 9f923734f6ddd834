# Stored analysis results are used only for what they were made for. On an iris run: "Only Plot" and
# "Find PCA Minimum" keep the components in use; a refused plot leaves the grid's lines, range and
# quality, so that "EPS" and the mirror buttons take the grid as it was sampled (also after "TR 3D" at
# another point size); a picture too large to be made is refused; after a "Lines in Plot 0" surface
# Local PCA refuses; and once the network is created anew, every command that needs the surface's
# components refuses until a new surface.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message
select ESQBox 0
click PlotT2
expect no-message
expect text ep " done"

# "Find PCA Minimum" after "Only Plot" keeps the components: the later plots and the report still work.
click ONPButton
expect no-message
set PCAminEdit 2
click FindPCAMinimum1
expect no-message
click ONPButton
expect no-message
click TR2DButton
expect no-message
click EvalButton
expect no-message
expect editor results/iris_86410_eigen.txt

# A refused plot (99 lines with a C1 range of 0) leaves the grid of 25 lines: the export has 25 lines.
set LGEdit 99
set ThreeDEdit 0
click ONPButton
expect message-containing "C1 range"
click EPSButton
expect no-message
expect file results/iris_86410_eps.txt
click NG3D.C2
expect no-message
expect text NG3D.c1edit "-"

# The 3-D window at point size 2 lays out a box of its own: the surface's grid keeps its box.
set ThreeDEdit 100
set LGEdit 25
select PSEdit 1
click TR3DButton
expect no-message
click EPSButton
expect no-message
click NG3D.C1
expect no-message
select PSEdit 0

# A "poor quality" plot refused at "ES fixed at epoch" 99 leaves the high-quality grid for "EPS".
select ESQBox 2
set ESFixedEdit 99
click ONPButton
expect message "ES fixed at epoch 99 is beyond the last epoch 12"
click EPSButton
expect no-message
set ESFixedEdit 1
select ESQBox 0

# A point size whose pictures cannot be made is refused with a message.
set PSEdit 100
click ONPButton
expect message "A picture of 62900 x 61300 pixels cannot be made: choose a smaller point size"
click TR3DButton
expect message "A picture of 62900 x 61300 pixels cannot be made: choose a smaller point size"
select PSEdit 0

# A surface of the trajectory only has no grid for Local PCA.
set LGEdit 0
click ONPButton
expect no-message
click LocalPCA1
expect message "Local PCA : compute the surface again (SVD + Plot)."
set LGEdit 25

# The network created anew (6 hidden neurons, not trained): the components are of the old network.
set HiddenEditT2 6
click RandomLinearInput1
expect no-message
click Button1
expect message "Prepare Modifications : compute the surface again (SVD + Plot)."
click ONPButton
expect message "Only Plot : compute the surface again (SVD + Plot)."
click NG3D.RepB
expect message "Only Plot : compute the surface again (SVD + Plot)."
click N2W1
expect message "2W : compute the surface again (SVD + Plot)."
click FindPCAMinimum1
expect message "Find PCA Minimum : compute the surface again (SVD + Plot)."
click TR3DButton
expect message "TR 3D : compute the surface again (SVD + Plot)."
click LocalPCA1
expect message "Local PCA : compute the surface again (SVD + Plot)."
click PlotT2
expect message "No training of this network has been recorded. Train the network first."
