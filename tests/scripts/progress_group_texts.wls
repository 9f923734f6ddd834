# The "Training Progress" group says what the last run was and what it ran on: reading a data set empties
# its fields, and every run shows its own method and its number of vectors, so that nothing of a run by
# another method or on another data set stays beside the new run's figures.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/iris.dat
click Simple1
expect no-message
expect text Label19 ""
expect text ENVEdit ""
click RandomLinearInput1
expect no-message
set EpochEditT2 2
click NG_old
expect no-message
expect text Label19 "Numerical Gradient"
expect text ENVEdit "150"
expect value av_hEdit > 1
expect value opt_hEdit > 1

# SMLP on monk1 (432 vectors): the numerical gradient's texts are gone.
answer open DATA/monk1.dat
click Simple1
expect no-message
expect text Label19 ""
expect text ENVEdit ""
expect text ep ""
expect text av_hEdit ""
set EpochEditT2 1
click SMLP1change
expect no-message
expect text Label19 "SMLP - 1 change"
expect text ENVEdit "432"
expect text av_hEdit ""
expect text opt_hEdit ""

click SMLP2changes
expect no-message
expect text Label19 "SMLP - 2 changes"

check BeamSearch
set EpochEditT2 2
click SMLP1change
expect no-message
expect text Label19 "SMLP Beam Search"
expect text ENVEdit "432"
check BestFirst

set EpochEditT2 1
click NofM1
expect no-message
expect text Label19 "N of M 4"
expect text ENVEdit "432"

# A one-change run on iris again: its own label, the vectors of iris.
answer open DATA/iris.dat
click Simple1
expect no-message
click RandomLinearInput1
click Discrete1change
expect no-message
expect text Label19 "Sa-DH2 (VSS)"
expect text ENVEdit "150"
