L 1 2 3 S a P 0 0 0 0 V
L 1 2 3 S b P 0 0 0 0 V -
F f R
F g R 1-2
