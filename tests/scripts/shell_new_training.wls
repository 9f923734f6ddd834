# "New Training" on iris: the progress trace passes its stages and ends at 5; the training-progress
# window then exists, so that the stay-on-top selector can bring it forward.
clock 00:00:10.000 2
copy ../data/settings_cpu1500.ini weightlab.ini
start
expect text OnTopForm "Form on Top"
set EpochEditT2 3
set WMepEdit 500
uncheck ALLWMBox
answer open DATA/iris.dat
click TrainingT2
expect text OnTopForm "On Top      5-0-0"
expect text WMepEdit "3"
expect text GTP.ResizeEdit "3      "
select OnTopForm.FormTopBox 2
expect text OnTopForm.FormTopBox "Training Progress"

# The Matlab method is refused before anything is asked.
check TrainingInMatlab
click TrainingT2
expect message "Training Method is set to Matlab. Choose another method."
expect text OnTopForm "On Top      5-0-0"
