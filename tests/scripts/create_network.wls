# The "Create Network" menu: the network's sizes on the label, and the refusals that leave the network.
start
answer open DATA/iris.dat
click Simple1
expect no-message

click RandomLinearInput1
expect no-message
expect text Label56 "Vectors=150  L0=4  L1=4  L2=3"

set HiddenEditT2 6
click DeterministicValues
expect no-message
expect text Label56 "Vectors=150  L0=4  L1=6  L2=3"
click RandomValues
click DetermLinearInput1
click RandomLinearInteger1
click RandomSigmoidInteger1
expect no-message

# Skip connections ("Crossover") take random weights on linear inputs only.
check SkipCheck
set HiddenEditT2 5
click DetermLinearInput1
expect message "Skip connections are selected. Select random weights with linear inputs"
expect text Label56 "Vectors=150  L0=4  L1=6  L2=3"
click RandomLinearInput1
expect no-message
expect text Label56 "Vectors=150  L0=4  L1=5  L2=3"
check FullConn

# The SMLP structure builds the step network instead; classes with different numbers of hidden neurons
# are refused.
check strbox
set HiddenEditT2 3
set HidPerOut1Edit 2
click RandomValues
expect message-containing "SMLP"
expect text Label56 "Vectors=150  L0=4  L1=5  L2=3"
set HidPerOut1Edit 1
click RandomValues
expect no-message
check FullConn

# An invalid parameter: the parameter reader's message, no network.
set InitEdit abc
click RandomSigmoidInteger1
expect message-containing "Initial Weights Range"
expect text Label56 "Vectors=150  L0=4  L1=5  L2=3"
set InitEdit 1.0

# Discrete features feed one input per value: monk1 has 3 + 3 + 2 + 3 + 4 + 2 = 17 inputs.
answer open DATA/monk1.dat
click Simple1
expect no-message
click RandomLinearInput1
expect no-message
expect text Label56 "Vectors=432  L0=17  L1=3  L2=2"
