D 1 x 3
