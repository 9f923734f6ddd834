# "Genetic Alg." on a discrete XOR (four inputs): the decoding needs two hidden neurons per class; the run
# logs its generations to "_GA.txt" and opens its result report in the editor.
clock 00:00:10.000 2
start
seed 5
copy ../data/xor_discrete.dat DATA/
answer open DATA/xor_discrete.dat
click Simple1
expect no-message

# One hidden neuron per class (the default) does not fit the four hidden units the algorithm evolves.
click GeneticAlg1
expect message-containing "4 inputs and 4 hidden neurons, 2 for each of 2 classes"
expect no-file results/xor_discrete_86410_rs-trn.txt

select HidPerOutEdit 2
select HidPerOut1Edit 2
set EpochEditT2 3
set PopEdit 8
set MutEdit 25
click GeneticAlg1
expect no-message
expect line results/xor_discrete_86410_GA.txt 1 "f0.v0 f0.v1 f1.v0 f1.v0    NofM.Weights    NofM.bias"
expect line results/xor_discrete_86410_GA.txt 2 "nr=0  fitness=1   ER=4"
expect file results/xor_discrete_86410_GA.txt contains "selected numbers  "
expect file results/xor_discrete_86410_GA.txt contains "   devision_point "
# No network of 0/1 weights gets XOR right: all three generations run.
expect text ep "3"
expect editor results/xor_discrete_86410_rs-trn.txt
expect file results/xor_discrete_86410_rs-trn.txt contains "SMLP + Genetic Algorithms"
expect file results/xor_discrete_86410_rs-trn.txt contains "Neuron3:  biass = "
