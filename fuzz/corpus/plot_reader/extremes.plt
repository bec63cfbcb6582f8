D 1 2 3 S a P 1e300 -1e300 1e-400 nan I inf
