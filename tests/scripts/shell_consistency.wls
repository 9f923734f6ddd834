# The main window keeps some of its controls consistent with each other as the user changes them.
copy ../data/settings_cpu1500.ini weightlab.ini
start

# "use the settings for all layers": the output layer's slope, stretch, steps and transfer function
# go to hidden layers L2 and L3, whose fields are then locked.
uncheck SameLayersBox
# The L3 group opens with L3 hidden neurons (it starts closed: none by default).
expect disabled GroupBox5
set Hid3EditT2 2
set SlopeEdit 2.5
expect text SlopeHidL2Edit "1"
expect enabled SlopeHidL3Edit
set SlopeHidL3Edit 3
check SameLayersBox
expect text SlopeHidL2Edit "2.5"
expect text SlopeHidL3Edit "2.5"
expect disabled SlopeHidL2Edit
expect disabled HL3TF
# Later changes of the output layer follow.
select OutTF 1
expect text HL2TF "tanh"
expect text HL3TF "tanh"
set sscaleEdit 0.5
expect text sscaleHidL2Edit "0.5"
expect text sscaleHidL3Edit "0.5"
set NSEdit 6
expect text NSEHidL3Edit "6"
uncheck SameLayersBox
expect enabled HL2TF
expect enabled NSEHidL3Edit

# No L3 hidden neurons: the L3 group is switched off; a number switches it on; a blank is no number.
set Hid3EditT2 0
expect disabled GroupBox5
set Hid3EditT2 2
expect enabled GroupBox5
set Hid3EditT2 ""
expect message "'    ' is not a valid integer value"
expect enabled GroupBox5

# "full WM": the weight matrix from epoch 0 to the number of epochs.
set EpochEditT2 40
set fromEdit 5
uncheck ALLWMBox
expect text fromEdit "5    "
check ALLWMBox
expect text fromEdit "0"
expect text WMepEdit "40     "

click Help1
expect no-message
