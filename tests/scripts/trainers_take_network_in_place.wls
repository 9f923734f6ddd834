# The trainers work on the network in place, with the layers the parameters give for it. A "Crossover"
# network has three layers whatever "Hidden L2" says (with no hidden neuron its outputs see the inputs
# only): every trainer that takes skip weights trains it, its records and its walk over the weights alike.
# Fields changed without "Create Network" to a layer count the network does not have are refused before
# anything of the run changes, and the network stays as it was, weight for weight.
clock 00:00:10.000 1
start
seed 3
check NoGTPBox
set EpochEditT2 2
set WMepEdit 2

# A skip network of no hidden neuron on monk1: 17 inputs straight to the outputs.
answer open DATA/monk1.dat
click Simple1
check SkipCheck
set HiddenEditT2 0
click RandomLinearInput1
expect no-message
click NG_old
expect no-message
expect text ep "2"
click NG_max
expect no-message
click deltaW01
expect no-message
click GlobalthenLocal1
expect no-message
click GlobalLocal1
expect no-message
click OldNewOldifneeded1
expect no-message
click Random1change
expect no-message
click Discrete1change
expect no-message
click Random2changes
expect no-message
click Discrete2changes
expect no-message
check AccBadCheck
click Random1change
expect no-message
expect text Label19 "R. - 1 change + AccBad"
uncheck AccBadCheck
check OldDH2Box
click Discrete1change
expect no-message
expect text Label19 "Sa-DH2 (VSS)"
check SMWSButton
click Discrete1change
expect no-message
check InPlaceBox
click Discrete1change
expect no-message
check OldDH2Box
click Discrete1change
expect no-message
uncheck InPlaceBox
check SMstdButton
click BeamSearch1
expect message "Skip connections not implemented in Beam Search"
click Backpropagation1
expect message "This implementation of backpropagation suports only 3-layer netwoks without crossover connections"

# A skip network of four hidden neurons on xor, then "Hidden L2" 0 without creating it again: still the
# 2-4-2 network with skip weights, trained in place.
answer open DATA/xor.dat
click Simple1
set HiddenEditT2 4
click RandomLinearInput1
expect no-message
set HiddenEditT2 0
click GlobalthenLocal1
expect no-message
click NG_old
expect no-message
click Discrete1change
expect no-message
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_10_FinalWeights.txt 12 "1  3  2   -0.543894522680822"
expect line results/xor_10_FinalWeights.txt 26 "2  1  6   0.134569124014930"

# "Standard" with no hidden neuron asks for two layers: every trainer refuses the three-layer network
# before its run starts, and the network keeps every weight.
check FullConn
click NG_old
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click GlobalthenLocal1
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click GlobalLocal1
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click OldNewOldifneeded1
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click Discrete1change
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click Random2changes
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
click BeamSearch1
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
check InPlaceBox
check OldDH2Box
click Discrete1change
expect message "The network has 3 layers, the parameters ask for 2. Create the network again."
uncheck InPlaceBox
check SMstdButton
click Backpropagation1
expect message "This implementation of backpropagation suports only 3-layer netwoks without crossover connections"

# "Hidden L3" on a three-layer network asks for four layers.
set HiddenEditT2 4
set Hid3EditT2 2
click NG_old
expect message "The network has 3 layers, the parameters ask for 4. Create the network again."
click deltaW01
expect message "The network has 3 layers, the parameters ask for 4. Create the network again."
click Random1change
expect message "The network has 3 layers, the parameters ask for 4. Create the network again."
click SaveCurrentWeightstoFile1
expect no-message
expect line results/xor_10_FinalWeights.txt 12 "1  3  2   -0.543894522680822"
expect line results/xor_10_FinalWeights.txt 26 "2  1  6   0.134569124014930"

# A four-layer network, then "Hidden L3" 0: three layers asked for.
click RandomLinearInput1
expect no-message
set Hid3EditT2 0
click NG_max
expect message "The network has 4 layers, the parameters ask for 3. Create the network again."
click GlobalLocal1
expect message "The network has 4 layers, the parameters ask for 3. Create the network again."
click Discrete2changes
expect message "The network has 4 layers, the parameters ask for 3. Create the network again."
set Hid3EditT2 2
click NG_max
expect no-message

# A standard network with "Crossover" chosen afterwards keeps its own structure and is trained as built.
set Hid3EditT2 0
click RandomLinearInput1
expect no-message
check SkipCheck
click NG_old
expect no-message
click Discrete1change
expect no-message
