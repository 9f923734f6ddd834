# "Tools" -> "Parameters": the parameter file of the run, beside the data set's results, opened in the
# editor. It holds the main window's caption and then the settings lines.
clock 00:00:10.000 2
start

# Before a data set has been opened there is no results prefix: nothing is written, the user is told.
click Parameters1
expect message "No data set has been opened yet. Open a data set first (Open -> Open Training Set)."
expect no-file results
expect no-file _param.txt
expect no-file weightlab.ini

answer open DATA/iris.dat
click Simple1
expect no-message
set InitEdit 0.75
set HiddenEditT2 6
uncheck SameLayersBox
select StepEdit 4
click Parameters1
expect no-message
expect editor results/iris_86410_param.txt
expect line results/iris_86410_param.txt 1 "WeightLab   v.0.947"
# No network has been built yet, so no layer lines.
expect line results/iris_86410_param.txt 2 "WorthChanging=30"
expect file results/iris_86410_param.txt contains "InitialWeight=0.75"
expect file results/iris_86410_param.txt contains "Hidden=6   "
expect file results/iris_86410_param.txt contains "step=fast"
expect file results/iris_86410_param.txt contains "StepEdit=4"
expect file results/iris_86410_param.txt contains "DifferentLayers"
expect no-file weightlab.ini

# With a network the file starts with one line per layer: inputs, hidden neurons, outputs.
seed 1
click DetermLinearInput1
expect no-message
click Parameters1
expect editor results/iris_86410_param.txt
expect line results/iris_86410_param.txt 2 "Layer[0]=4"
expect line results/iris_86410_param.txt 3 "Layer[1]=6"
expect line results/iris_86410_param.txt 4 "Layer[2]=3"
expect line results/iris_86410_param.txt 5 "WorthChanging=30"

# A bad parameter is reported when a network is built, with the field's name and bounds.
set PartEdit 51
click DetermLinearInput1
expect message "Parts in Training Set must be an Integer from 1 to 50"
