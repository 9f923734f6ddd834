# A feature whose list holds one value twice (a discretized file's rounded run starts may do so) is read
# with the value coded once, and the single-class SMLP trains on it.
clock 00:00:10.000 2
copy ../data/repeated_value.dat DATA/
start
seed 3
set EpochEditT2 2
select CurrentClassBox 2
check S1SMLPButton
answer open DATA/repeated_value.dat
click Button5
expect no-message
expect text Label55 "Vectors= 8   L0= 4   L1= 1   L2= 2"
expect file results/repeated_value_86410_RE.txt contains "Standard Accuracy: 1.00000"
