# "Beam Search" on the SMLP tab: "1 change" on monk1 runs the beam search over sparse hidden weights
# instead of the one-change training, from zero weights, with both of its logs.
clock 00:00:10.000 2
start
seed 3
set EpochEditT2 2
answer open DATA/monk1.dat
click Simple1
expect no-message
check BeamSearch
click SMLP1change
expect no-message
expect text HiddenEditT2 "2"
expect line results/monk1_86410_BE.txt 1 "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
expect file results/monk1_86410_beam.txt contains "Error: "
expect file results/monk1_86410_SMLP.txt
expect no-file results/monk1_86410_wc.txt

# "Best First" again: "1 change" trains by one change.
check BestFirst
click SMLP1change
expect no-message
expect file results/monk1_86410_wc.txt

# "Random Init Weights": the beam starts from three different random networks, drawn from one seeding.
clock 00:00:20.000 2
check BeamSearch
check Rinit
click SMLP1change
expect no-message
expect line results/monk1_86410_BE.txt 1 "0 0 0 1 -1 0 0 1 1 1 -1 -1 -1 1 0 1 0 0 -1 1 0 1 -1 -1 0 -1 1 -1 -1 1 -1 1 1 0 "
expect line results/monk1_86410_BE.txt 2 "-1 0 0 -1 1 1 1 1 -1 1 -1 0 0 1 1 -1 1 1 -1 -1 -1 -1 1 -1 1 1 -1 -1 0 0 0 -1 -1 1 "
expect line results/monk1_86410_BE.txt 3 "1 -1 0 1 1 0 -1 1 -1 0 1 1 -1 0 0 -1 0 -1 1 1 -1 0 1 1 -1 -1 -1 1 0 0 1 1 0 0 "
