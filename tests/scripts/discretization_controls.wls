# The "Discretization" group of the SMLP page: three sources of intervals, one of them chosen, with the
# number of intervals, the decimals of their labels, the cut-point file and the overlap check box.
start
page 2
expect checked EqNumberButton
expect unchecked EqDistanceButton
expect unchecked EqDistJoinButton
check EqDistJoinButton
expect checked EqDistJoinButton
expect unchecked EqNumberButton
expect unchecked EqDistanceButton
check EqDistanceButton
expect checked EqDistanceButton
expect unchecked EqDistJoinButton
expect text slEdit "10 "
set slEdit 5
expect value slEdit = 5
expect text PrecEdit1 "6"
expect text DiscrFileEdit ""
expect unchecked OverlapBox
check OverlapBox
expect checked OverlapBox
