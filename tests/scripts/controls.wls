# A user's actions on the main window's controls, and what the controls show afterwards.
start

# An edit keeps the text as typed, and its text reads as a number.
expect text InitEdit "1.0"
set InitEdit "0.5"
expect text InitEdit "0.5"
expect text Form1.InitEdit 0.5
expect value InitEdit = 0.5
expect value InitEdit < 1
expect value InitEdit >= 0.5
expect value InitEdit > -0.5

# A masked field pads the text with blanks to its mask width.
expect text EpochEditT2 "12     "
set EpochEditT2 30
expect text EpochEditT2 "30     "
expect value EpochEditT2 = 30
set EpochEditT2 "1234567"
expect text EpochEditT2 "1234567"

# check and uncheck on a check box act only when its state differs.
expect checked SameLayersBox
check SameLayersBox
expect checked SameLayersBox
uncheck SameLayersBox
expect unchecked SameLayersBox
uncheck SameLayersBox
expect unchecked SameLayersBox
check SameLayersBox
expect checked SameLayersBox

# The radio buttons of a group exclude each other.
expect checked S1DT2
expect unchecked S1RT2
check S1RT2
expect checked S1RT2
expect unchecked S1DT2
check S1DT2
expect checked S1DT2
expect unchecked S1RT2

# A combo box by item index and by text.
select OutTF 2
expect text OutTF "linear"
set OutTF "linear (0;1)"
expect text OutTF "linear (0;1)"
select OutTF 0
expect text OutTF sigmoid

# The page control shows its active page's tab.
expect text P1 "Network and Error"
page 3
expect text P1 "Training + SM + BP"

# Enabled states as the window starts.
expect enabled InitEdit
expect disabled SMSTBox
expect unchecked SMSTBox

# A window alone names its caption.
expect text OnTopForm "Form on Top"
expect text Label18 "none"

expect no-message
