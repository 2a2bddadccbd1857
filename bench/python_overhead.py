#!/usr/bin/python3
"""Per-call cost of the Python module, to set beside the library calls of bench/api_bench.cpp:
the least CPU time of five timeit repeats of korva.analyze and korva.fit (and of the compiled
functions without the keyword layer).

    PYTHONPATH=build/python /usr/bin/python3 bench/python_overhead.py
    build/korva_bench --benchmark_filter=Library
"""

import time
import timeit
from pathlib import Path

import numpy as np

import korva
from korva import _korva

SOURCE = Path(__file__).resolve().parents[1]
ubq = korva.read_structure(SOURCE / "examples" / "ubiquitin-2mjb.pdb")
nh = korva.read_couplings(SOURCE / "examples" / "ubiquitin-nh-bicelle.tab")
saupe = np.array([4.2293e-4, 3.5807e-4, 5.3304e-4, -1.5497e-4, 3.1595e-4])
options, selection = _korva.FitOptions(), _korva.CouplingSelection()

calls = {
    "korva.analyze": lambda: korva.analyze(saupe),
    "_korva.analyze": lambda: _korva.analyze(saupe),
    "korva.fit (svd)": lambda: korva.fit(ubq, nh),
    "_korva.fit (svd)": lambda: _korva.fit(ubq, nh, options, selection),
}
for name, call in calls.items():
    n = 20000 if "analyze" in name else 500
    best = min(timeit.repeat(call, number=n, repeat=5, timer=time.process_time)) / n
    print(f"{name:18s} {best * 1e6:9.2f} us per call")
