# The random parts of the training set are evaluated only on the data set and the "Parts" they were
# drawn for. A weight-section run with Parts 3 on xor draws one vector; on iris read afterwards that
# part is not iris's, and the in-place weight-section search (which evaluates the current part) refuses
# before it changes anything, as it does with no part drawn at all or with another count of parts. A
# run that draws its own parts goes on, and its part then serves the in-place search.
clock 00:00:10.000 1
start
seed 12345
set PartEdit 3
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
set EpochEditT2 2

# No part drawn yet.
check SMWSButton
check InPlaceBox
click Discrete1change
expect message "Parts in Training Set 3 : no part of this training set has been drawn for it. Set Parts to 1, or train with a method that draws its parts (1 change, weight sections)."
expect no-file results/xor_10_InitWeights.txt
uncheck InPlaceBox

# The weight-section search draws its part of xor.
click Discrete1change
expect no-message
expect text ep "2"

# Another data set: the part drawn for xor is refused.
answer open DATA/iris.dat
click Simple1
click RandomLinearInput1
expect no-message
check InPlaceBox
click Discrete1change
expect message "Parts in Training Set 3 : no part of this training set has been drawn for it. Set Parts to 1, or train with a method that draws its parts (1 change, weight sections)."
expect no-file results/iris_10_InitWeights.txt

# A part drawn for iris serves it; another count of parts does not.
uncheck InPlaceBox
click Discrete1change
expect no-message
check InPlaceBox
click Discrete1change
expect no-message
set PartEdit 2
click Discrete1change
expect message "Parts in Training Set 2 : no part of this training set has been drawn for it. Set Parts to 1, or train with a method that draws its parts (1 change, weight sections)."
set PartEdit 1
click Discrete1change
expect no-message
