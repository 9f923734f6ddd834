# "PCA on Data": the covariance matrix of the iris features in "PCA/CovMat.txt", the variance list, and
# a click on its second line writing the data set projected on two components.
clock 00:00:10.000 2
start
answer open DATA/iris.dat
click Simple1
click PCAonData1
expect no-message
expect text ep "PCA on data successful"
expect line PCA/CovMat.txt 1 "covariance matrix:"
expect line PCA/CovMat.txt 6 ""
expect line PCA/CovMat.txt 7 "eigenvector matrix:"
expect file PCA/CovMat.txt contains "E-0001   "

select VarianceBox 1
expect no-message
expect line results/iris_86410_2.dat 1 "Number of features = 3"
expect line results/iris_86410_2.dat 2 "Number of Vectors = 150"
expect line results/iris_86410_2.dat 3 "Class Column No = 3"
expect line results/iris_86410_2.dat 5 "Feature[1] = PCA1  continuous"
expect line results/iris_86410_2.dat 6 "Feature[2] = PCA2  continuous"
expect line results/iris_86410_2.dat 7 "Feature[3] = Class  discrete  3  0  1  2"
expect line results/iris_86410_2.dat 9 "[DATA]"
expect file results/iris_86410_2.dat contains "  0"
