# The start-up reads the settings file: a computer speed kept there spares the benchmark and shows in its
# label. The end of the program writes the settings back, and the next start reads them.
copy ../data/settings_cpu1500.ini weightlab.ini
start
expect no-message
expect text Label55 "Relative computer speed = 1500"
# The stay-on-top window shows its own caption until the first trace update; its selector "Main Form".
expect text OnTopForm "Form on Top"
expect text OnTopForm.FormTopBox "Main Form"
set InitEdit 0.75
select OutTF 2
exit

expect line weightlab.ini 1 "WeightLab   v.0.947"
expect file weightlab.ini contains "CPUCHECKED=1500"
expect file weightlab.ini contains "InitialWeight=0.75"
start
expect no-message
expect text InitEdit "0.75"
expect text OutTF "linear"
expect text Label55 "Relative computer speed = 1500"
exit

# Without a settings file the benchmark measures the speed, and the exit keeps it.
start
exit
expect file weightlab.ini contains "CPUCHECKED="
