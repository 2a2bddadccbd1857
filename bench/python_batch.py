#!/usr/bin/python3
"""2,000 ubiquitin frames through korva.batch: a serial loop in this process against a local
Dask cluster of two worker processes, in frames per second, and the share of the workers' time
not spent inside a task (scheduling, transfers, waiting for the last task), and the CPU time per
frame in the loop and in the workers. The cluster's start, with the workers' imports, is timed
apart.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_batch.py [--frames 2000] [--chunk N]
"""

import argparse
import importlib
import sys
import tempfile
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE / "examples"))
import trajectory as example  # noqa: E402

from dask.distributed import Client  # noqa: E402

from korva import batch  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--frames", type=int, default=2000)
    parser.add_argument("--chunk", type=int)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        top, trj = example.build(folder, per_model=100, frames=args.frames)
        options = batch.parse(["predict", "--topology", str(top), "--trajectory", str(trj),
                               "--couplings", str(example.COUPLINGS)] +
                              (["--chunk", str(args.chunk)] if args.chunk else []))
        base = {"mode": "predict", "couplings": options.couplings, "list": None,
                "medium": "wall", "method": "svd", "options": {}}

        t0 = time.perf_counter()
        serial = batch.run_tasks(batch.make_tasks(options, base, args.frames, 1))
        t_serial = time.perf_counter() - t0

        t0 = time.perf_counter()
        with batch.local_cluster(2) as cluster, Client(cluster) as client:
            # The workers import what a chunk needs before the clock starts, as this process
            # did before its loop: start-up is reported apart from the frames.
            for module in ("korva.batch", "MDAnalysis"):
                client.run(importlib.import_module, module)
            t_start = time.perf_counter() - t0
            tasks = batch.make_tasks(options, base, args.frames, 2)
            t1 = time.perf_counter()
            spread = batch.run_tasks(tasks, client)
            t_spread = time.perf_counter() - t1

    rows = lambda results: [row for r in results for row in r[0]]  # noqa: E731
    assert rows(serial) == rows(spread), "the cluster's rows differ from the serial ones"
    inside = sum(r[2] for r in spread)
    cpu = {"serial": sum(r[3] for r in serial), "workers": sum(r[3] for r in spread)}
    print(f"frames                 {args.frames}")
    print(f"serial loop            {t_serial:7.2f} s  {args.frames / t_serial:7.1f} frames/s")
    print(f"2 workers, {len(tasks):3d} tasks   {t_spread:7.2f} s  {args.frames / t_spread:7.1f} "
          f"frames/s  (cluster start {t_start:.2f} s)")
    print(f"speed-up               {t_serial / t_spread:7.2f}x")
    print(f"workers' time outside the tasks' compute  {100 * (1 - inside / (2 * t_spread)):5.1f} %")
    for where, seconds in cpu.items():
        print(f"CPU per frame, {where:8s} {1e3 * seconds / args.frames:6.2f} ms")


if __name__ == "__main__":
    main()
