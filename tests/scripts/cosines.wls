# Cosines of two weight matrices: "Load WM" twice and "Compare" write "PCA/CosDir.txt"; files that do not
# fit are refused.
clock 00:00:10.000 2
start
copy ../data/wm_cos_a.txt PCA/
copy ../data/wm_cos_b.txt PCA/
copy ../data/wm_cos_wide.txt PCA/

# Nothing loaded: Compare does nothing.
click Button11
expect no-message
expect no-file PCA/CosDir.txt

answer open PCA/wm_cos_a.txt
click Button9
answer open PCA/wm_cos_b.txt
click Button10
click Button11
expect no-message
expect line PCA/CosDir.txt 1 "  from_start                  current"
expect line PCA/CosDir.txt 2 "  1.00000000000000E+0000    1.00000000000000E+0000"
expect line PCA/CosDir.txt 4 "  1.00000000000000E+0000    1.00000000000000E+0000"


answer open PCA/wm_cos_wide.txt
click Button10
click Button11
expect message "Different Number of Weights in MW1 and WM2"
