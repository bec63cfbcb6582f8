M 1 2 3
D 4 5 6 S a P 1 2 3 4