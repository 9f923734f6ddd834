# Found by the refusal oracle's sequences. "Beam Search" with "Default Class 0" builds networks one output
# short of the 2-4-2 xor perceptron in place: the beam takes the shape of the networks it holds.
clock 00:00:10.000 1
start
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 4
set EpochEditT2 2
click RandomLinearInput1
expect no-message
check DefClassBox
click BeamSearch1
