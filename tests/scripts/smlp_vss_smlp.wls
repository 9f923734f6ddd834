# "VSS+SMLP Results" turns the perceptron New Training left into the single-class SMLP of the chosen
# class and writes its rules; "VSS+SMLP CV" trains and turns a perceptron on every fold.
copy ../data/new_training_speed.ini weightlab.ini
clock 00:00:10.000 2
start
seed 6
check NoGTPBox
set EpochEditT2 2
set HiddenEditT2 2
expect enabled Button13
expect enabled Button14

answer open DATA/monk1.dat
click TrainingT2
expect no-message

# The class "all" is refused: the conversion makes the network of one class.
select CurrentClassBox 0
click Button13
expect message "\"VSS+SMLP\" turns the perceptron into the network of one class: choose a class (not \"all\") in \"Class\"."

select CurrentClassBox 1
click Button13
expect no-message
expect editor results/monk1_86410_RE.txt
expect file results/monk1_86410_RE.txt contains "DATA/monk1.dat"
expect file results/monk1_86410_RE.txt contains "[Rules for Neuron nr 1]"
expect file results/monk1_86410_RE.txt contains "Standard Accuracy: "

# The converted network is no perceptron any more.
click Button13
expect message-containing "converts a three-layer perceptron"

clock 00:00:20.000 2
set CVEdit 3
check JoinWBox
answer open DATA/monk1.dat
click Button14
expect no-message
expect text NTButton "Continue Training"
expect file results/monk1_86420_CVRE.txt contains "[Rules for Neuron nr 0]"
expect file results/monk1_86420_CV.txt contains "TRAINING= "
expect line results/monk1_86420_MSR.txt 1 "cv_run= 1"
expect editor results/monk1_86420_CV.txt
expect editor results/monk1_86420_CVRE.txt
expect editor results/monk1_86420_MSR.txt
