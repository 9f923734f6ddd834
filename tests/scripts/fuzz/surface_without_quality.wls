# Found by the command-sequence fuzzer (seed 500120). "SVD + Plot" with no item of the quality box
# chosen is refused before anything changes: its grid step would be 0.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
set HiddenEditT2 4
click RandomLinearInput1
set EpochEditT2 12
click Discrete1change
expect no-message

# No quality chosen.
set ESQBox ""
click PlotT2
expect message "Choose the quality of the surface: one of the items of its box."
select ESQBox 2
click PlotT2
expect no-message

