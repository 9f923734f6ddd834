# "Tools": the font window lays the main window out again, "S+P" writes the square data set, iris is
# drawn in a data-visualisation window and saved as GIF, and the picture viewer opens that GIF and saves
# it again in the three kinds.
clock 00:00:10.000 2
start

# "Fonts": the window shows the present percentage; OK with 100 hides it.
click Fonts2
expect text Form2.MaskEdit1 "120"
set Form2.MaskEdit1 100
click Form2.Button1
expect no-message
click Fonts2
expect text Form2.MaskEdit1 "100"
click Form2.Button2
expect no-message

# "S+P" on the SMLP tab: the dialog opens in PCA/; the name gets ".DAT".
copy ../data/iris_two_classes.dat PCA/
answer save PCA/square
click R
expect no-message
expect line PCA/square.DAT 1 "Number of features = 3"
expect line PCA/square.DAT 7 "[DATA]"
expect line PCA/square.DAT 8 "1   1     0"
expect line PCA/square.DAT 10007 "100   100     0"
answer save cancel
click R
expect no-file PCA/square.DAT.DAT

# "Data Visualization": "Save" before "START" writes nothing; the window opens with sepal width against
# sepal length chosen; drawn with the grid.
answer open DATA/iris.dat
click Simple1
expect no-message
click Graphical1
expect text GraphData "Data Visualization"
click GraphData.SaveGraphButton
expect no-file results/iris_86410_1_0_s1.gif
expect text GraphData.FXbox "sepal_length"
expect text GraphData.FYbox "sepal_width"
select GraphData.FYbox 1
select GraphData.FXbox 0
check GraphData.Grid
click GraphData.StartButton
expect no-message
click GraphData.SaveGraphButton
expect no-message
expect file results/iris_86410_1_0_s1.gif
answer save results/scatter.gif
click GraphData.Button1
expect file results/scatter.gif

# A window opened on a set without continuous features has nothing to choose, and "START" says so.
answer open DATA/monk1.dat
click Simple1
click Graphical1
click GraphData.StartButton
expect message "There are no continuous features to draw: read a data set with continuous features, then open \"Data Visualization\" again."
answer open DATA/iris.dat
click Simple1

# The picture viewer opens the saved GIF and writes it again as BMP, GIF and JPEG.
click Browser1
expect text Przegladaj "Picture Viewer"
answer open results/iris_86410_1_0_s1.gif
click Przegladaj.Open1
expect no-message
answer save results/again
click Przegladaj.SaveasBMP2
answer save results/again
click Przegladaj.SaveasGIF1
answer save results/again.jpg
click Przegladaj.SaveasJPG1
answer save results/named.gif
click Przegladaj.SaveasGIF1
expect no-message
expect file results/again.bmp
expect file results/again.gif
expect file results/again.jpg
expect no-file results/again.jpg.jpg
expect file results/named.gif
expect no-file results/named.gif.gif
# "Next" walks the GIFs of that folder.
click Przegladaj.Next1
expect no-message
