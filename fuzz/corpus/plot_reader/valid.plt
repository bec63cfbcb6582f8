Z 0 100 0 50 -30 10 I 1
S Main
N A1 D 3 4 2020 C first survey
M 1 2 3 S A|1 P 1 2 3 4 I 0 F "hi| there{p}"
D 4 6 3 S A|2 P -1 2 999 4 I 0 FS "x\"y"
d 5 6 3 S A|3 P 1 2 3 4 I 0 F
X 0 10 0 10 0 10
F Water R 1 9
L 1 1 1 S w1 P 1 1 1 1 V 7
X 0 0 0 0 0 0
E disc D 1 1 1999
G 13
ONorth American 1983
VA A1 1 2 3 2 s1 1 2 4 s2 1 3 3
U x
C 1
K 2
P F1 1 2 3 /fixed/
R 1 a b c d S 2 : x
T t 1 1 2 3
1 2 3 4 5 6
7 8 9
