#!/usr/bin/env python3
"""scikit-learn's MLPClassifier on the inputs bench/bp_peers.cpp wrote: logistic units, plain SGD with
batches of 1 (online) or of the whole set (batch), no momentum, no shuffling, alpha 0, a constant rate;
the hidden sizes of the WeightLab cases. Its output layer (softmax, or one logistic unit for two classes)
and its loss (log-loss) differ from WeightLab's, so the figures compare speed only. Prints epochs per
second and WeightLab's ratio to them (WeightLab's figures from results.txt)."""
import sys
import time
import warnings

import numpy as np
from sklearn.exceptions import ConvergenceWarning
from sklearn.neural_network import MLPClassifier

# Epochs per case: scikit-learn's online passes run a Python loop per vector.
EPOCHS = {("iris", "online"): 100, ("iris", "batch"): 2000,
          ("breast_cancer", "online"): 30, ("breast_cancer", "batch"): 1000,
          ("generated", "online"): 2, ("generated", "batch"): 40}


def main(out):
    ours = {}
    with open(f"{out}/results.txt") as f:
        for line in f:
            name, mode, hidden, rate = line.split()
            ours[(name, mode)] = (int(hidden), float(rate))
    warnings.simplefilter("ignore", ConvergenceWarning)
    print(f"{'case':<16} {'mode':<7} {'epochs':>7} {'sklearn ep/s':>13} {'WeightLab/sklearn':>18}")
    for (name, mode), (hidden, rate) in ours.items():
        data = np.loadtxt(f"{out}/{name}.csv", delimiter=",")
        x, y = data[:, :-1], data[:, -1].astype(int)
        epochs = EPOCHS[(name, mode)]
        best = float("inf")
        for _ in range(3):
            clf = MLPClassifier(hidden_layer_sizes=(hidden,), activation="logistic", solver="sgd",
                                batch_size=1 if mode == "online" else len(x), learning_rate="constant",
                                learning_rate_init=0.015625, momentum=0.0, nesterovs_momentum=False,
                                shuffle=False, alpha=0.0, max_iter=epochs, tol=0.0,
                                n_iter_no_change=epochs + 1, random_state=7)
            t0 = time.perf_counter()
            clf.fit(x, y)
            best = min(best, time.perf_counter() - t0)
        sk = epochs / best
        print(f"{name:<16} {mode:<7} {epochs:>7} {sk:>13.1f} {rate / sk:>18.1f}")


if __name__ == "__main__":
    main(sys.argv[1])
