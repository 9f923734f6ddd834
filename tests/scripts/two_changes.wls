# "SM Training": the two-change searches as timed runs and the beam search, on XOR from a fixed seed
# and clock; a two-change run right after a variable step search; skip connections refused by the beam.
clock 00:00:10.000 2
start
seed 12345
answer open DATA/xor.dat
click Simple1
expect no-message
set HiddenEditT2 2
click RandomLinearInput1
expect no-message
set EpochEditT2 3

# Three epochs over the four neurons; the last neuron shown is output neuron 1 of layer 2.
click Random2changes
expect no-message
expect text Label19 "Random - 2 changes"
expect text ep "3 / 2 / 1"
expect value EditSuccess >= 0
expect file results/xor_86410_InitWeights.txt

click Discrete2changes
expect no-message
expect text Label19 "Discrete - 2 changes"
expect text ep "3 / 2 / 1"

# After a variable step search, whose curve is drawn weight by weight, the two-change run draws its own.
click Discrete1change
expect no-message
expect text Label19 "Sa-DH2 (VSS)"
click Discrete2changes
expect no-message
expect text Label19 "Discrete - 2 changes"
expect text ep "3 / 2 / 1"

# The beam search: always ten epochs; the parentage of every selection in History.txt.
click BeamSearch1
expect no-message
expect text Label19 "Beam Search"
expect text ep "10 / 0 / 0"
expect file History.txt contains "0  0"
set BeamEdit 3
click BeamSearch1
expect no-message
expect text ep "10 / 2 / 2"

check SkipCheck
click BeamSearch1
expect message "Skip connections not implemented in Beam Search"
