# Right after the start the main window obeys its own consistency rules, as after the user's own ticks:
# with "use the settings for all layers" the layer-2/3 fields show the output layer's values and are
# locked; without it they keep their own values and stay open. No L3 hidden neurons: the L3 group is off.

# The defaults: the output layer's steps (0) reach the layer fields, whose own default is 1.
copy ../data/settings_cpu1500.ini weightlab.ini
start
expect no-message
expect checked SameLayersBox
expect text NSEHidL2Edit "0"
expect text NSEHidL3Edit "0"
expect text SlopeHidL2Edit "1"
expect text sscaleHidL3Edit "1"
expect text HL2TF "sigmoid"
expect disabled HL2TF
expect disabled SlopeHidL2Edit
expect disabled sscaleHidL2Edit
expect disabled NSEHidL2Edit
expect disabled HL3TF
expect disabled SlopeHidL3Edit
expect disabled sscaleHidL3Edit
expect disabled NSEHidL3Edit
expect disabled GroupBox5
exit

# Settings that lock the layers: whatever the file holds for the layer fields, they show the output layer's.
copy ../data/settings_same_layers.ini weightlab.ini
start
expect no-message
expect text SlopeHidL2Edit "2.5"
expect text SlopeHidL3Edit "2.5"
expect text NSEHidL2Edit "3"
expect text NSEHidL3Edit "3"
expect disabled SlopeHidL2Edit
expect disabled NSEHidL3Edit
# Two L3 hidden neurons: the L3 group is on.
expect enabled GroupBox5
exit

# Settings with different layers: the layer fields keep their own values and stay open.
copy ../data/settings_different_layers.ini weightlab.ini
start
expect no-message
expect unchecked SameLayersBox
expect text SlopeEdit "2.5"
expect text SlopeHidL2Edit "4"
expect text NSEHidL2Edit "7"
expect enabled SlopeHidL2Edit
expect enabled HL3TF
exit
