"""Batches of steric predictions or fits, spread over a Dask cluster.

    python3 -m korva.batch predict FILE... [--couplings TABLE] [-o result.tab]
    python3 -m korva.batch fit FILE... --couplings TABLE [--method svd]
    python3 -m korva.batch predict --topology top.pdb --trajectory run.dcd [--step 10]

Every model of every structure file, or every chosen frame of a trajectory, is one item; items
are sent to the workers in chunks (--chunk; by default four chunks per worker, so that the cost
of a task, a few milliseconds, stays far below the compute of its chunk). Without --scheduler a
local cluster of --workers processes (default: one per core) is started on this machine; with
--scheduler ADDRESS the batch runs on an existing cluster, started for example with

    dask-scheduler                          # on one machine; prints tcp://HOST:8786
    dask-worker tcp://HOST:8786 --no-nanny --nthreads 1   # once per core of each machine

or by a SLURM or SSH deployment (dask_jobqueue.SLURMCluster, distributed.SSHCluster); each worker
needs the korva package and the input files at the same paths. Start workers with --no-nanny:
the nanny gives them MALLOC_TRIM_THRESHOLD_, under which a frame costs twice its CPU time.
--serial runs everything in this process instead.

The result is one table in the program's table format: a row per model or frame named by its
file and number (the Saupe vector, Da and Dr of its analysis, and with couplings N, R, Q and
RMS), then the averaged tensor as DATA lines. An item that fails is named on standard error and
in a REMARK line, and the others go on; the exit status is then 1.
"""

import argparse
import math
import os
import sys
import time

import numpy as np

import korva
from korva.trajectory import reason, structure_of

COLUMNS = ["NAME", "FRAME", "SZZ", "SXX_SYY", "SXY", "SXZ", "SYZ", "DA", "DR", "N", "R", "Q", "RMS",
           "ATOMS"]
FORMATS = ["%s", "%d"] + ["%_.4e"] * 7 + ["%d", "%.3f", "%.3f", "%.3f", "%d"]


def _couplings(task):
    if not task.get("couplings"):
        return []
    return korva.read_couplings(task["couplings"], task.get("list"))


def _row(name, frame, result):
    s = result.statistics
    t = result.tensor
    return (name, frame, [float(v) for v in result.saupe], t.da, t.dr, s.n, s.r, s.q, s.rms,
            result.simulated_atoms)


def _compute(task, structure, couplings):
    options = dict(task.get("options", {}))
    if task["mode"] == "fit":
        return korva.fit(structure, couplings, task.get("method", "svd"), **options)
    return korva.predict(structure, couplings, task.get("medium", "wall"), **options)


def _items(task):
    """Yields (name, frame, structure or exception) for each item of a chunk."""
    if task["kind"] == "files":
        for name, path in zip(task["names"], task["paths"]):
            try:
                models = korva.read_models(path)
            except korva.Error as err:
                yield name, 0, err
                continue
            for number, model in enumerate(models, 1):
                yield name, number, model
        return
    import MDAnalysis
    universe = MDAnalysis.Universe(task["topology"], task["trajectory"])
    atoms = universe.select_atoms(task["selection"])
    base = structure_of(atoms)
    for ts in universe.trajectory[task["start"]:task["stop"]:task["step"]]:
        yield task["name"], ts.frame, base.with_coordinates(atoms.positions)


def run_chunk(task):
    """Computes one chunk. Returns (rows, failures, seconds, cpu seconds): rows as in the table,
    failures as (name, frame, message), and the time spent in the chunk."""
    begin, cpu = time.perf_counter(), time.process_time()
    rows, failures = [], []
    try:
        couplings = _couplings(task)
        for name, frame, structure in _items(task):
            if isinstance(structure, Exception):
                failures.append((name, frame, reason(structure)))
                continue
            try:
                rows.append(_row(name, frame, _compute(task, structure, couplings)))
            except (korva.Error, ValueError, TypeError) as err:
                failures.append((name, frame, reason(err)))
    except (korva.Error, OSError, ValueError) as err:
        failures.append((task_name(task), 0, reason(err)))
    return rows, failures, time.perf_counter() - begin, time.process_time() - cpu


def task_name(task):
    if task["kind"] == "files":
        return " ".join(task["names"])
    return f"{task['name']} frames {task['start']}-{task['stop'] - 1}"


def make_tasks(args, base, count_frames, workers):
    """Splits the items into chunks: files by count, trajectory frames by ranges. Items keep the
    names given; the files go by absolute paths, which a worker started elsewhere resolves alike."""
    base = {**base, "couplings": base["couplings"] and os.path.abspath(base["couplings"])}
    if args.trajectory:
        frames = range(args.start, count_frames, args.step)
        chunk = args.chunk or max(1, math.ceil(len(frames) / (4 * workers)))
        tasks = []
        for k in range(0, len(frames), chunk):
            part = frames[k:k + chunk]
            tasks.append({**base, "kind": "trajectory", "name": args.trajectory,
                          "topology": os.path.abspath(args.topology),
                          "trajectory": os.path.abspath(args.trajectory),
                          "selection": args.selection, "start": part[0], "stop": part[-1] + 1,
                          "step": args.step})
        return tasks
    chunk = args.chunk or max(1, math.ceil(len(args.files) / (4 * workers)))
    return [{**base, "kind": "files", "names": args.files[k:k + chunk],
             "paths": [os.path.abspath(f) for f in args.files[k:k + chunk]]}
            for k in range(0, len(args.files), chunk)]


def run_tasks(tasks, client=None):
    """The results of every task in task order, on the Dask client or here without one."""
    if client is None:
        return [run_chunk(t) for t in tasks]
    futures = client.map(run_chunk, tasks, pure=False)
    results = []
    for task, future in zip(tasks, futures):
        try:
            results.append(future.result())
        except Exception as err:  # a worker lost or killed: the chunk's items are named as failed
            results.append(([], [(task_name(task), 0, f"{type(err).__name__}: {err}")], 0.0, 0.0))
    return results


def write_table(out, rows, failures, title):
    out.write(f"REMARK {title}\n\n")
    for name, frame, message in failures:
        out.write(f"REMARK FAILED {name} {frame}: {message}\n")
    out.write("\nVARS   " + " ".join(COLUMNS) + "\nFORMAT " + " ".join(FORMATS) + "\n\n")
    for name, frame, saupe, da, dr, n, r, q, rms, atoms in rows:
        values = " ".join(f"{v: .4e}" for v in [*saupe, da, dr])
        out.write(f"{name} {frame:d} {values} {n:d} {r:.3f} {q:.3f} {rms:.3f} {atoms:d}\n")
    if rows:
        mean = np.mean([r[2] for r in rows], axis=0)
        analysis = korva.analyze(mean)
        out.write(f"\nDATA AVERAGE N {len(rows)}\n")
        out.write("DATA AVERAGE SAUPE " + " ".join(f"{v: .4e}" for v in mean) + "\n")
        out.write(f"DATA AVERAGE Da {analysis.da: .4e}\nDATA AVERAGE Dr {analysis.dr: .4e}\n")


def local_cluster(workers):
    """A Dask cluster of ``workers`` single-threaded processes on this machine.

    Dask starts its workers with MALLOC_TRIM_THRESHOLD_ set, which also fixes glibc's mmap
    threshold: every block of 128 KiB or more that a prediction allocates is then mapped and
    unmapped afresh, and a frame costs about twice its CPU time. The workers here start without
    it.
    """
    import dask
    from dask.distributed import LocalCluster
    environ = dict(dask.config.get("distributed.nanny.pre-spawn-environ", {}))
    environ.pop("MALLOC_TRIM_THRESHOLD_", None)
    with dask.config.set({"distributed.nanny.pre-spawn-environ": environ}):
        return LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                            dashboard_address=None)


def _value(text):
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return {"true": True, "false": False}.get(text.lower(), text)


def parse(argv):
    parser = argparse.ArgumentParser(prog="python3 -m korva.batch", description=__doc__.split(
        "\n\n")[0], formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["predict", "fit"])
    parser.add_argument("files", nargs="*", help="structure files (PDB or mmCIF)")
    parser.add_argument("--couplings", help="coupling table, NEF, NMR-STAR or Xplor file")
    parser.add_argument("--list", help="the list of a NEF, NMR-STAR or Xplor file")
    parser.add_argument("--medium", default="wall", choices=["wall", "rod"])
    parser.add_argument("--method", default="svd",
                        choices=["svd", "nofixed", "dadr", "fixed", "saupe"])
    parser.add_argument("--set", action="append", default=[], metavar="NAME=VALUE",
                        help="an option of korva.predict or korva.fit (orientations=50)")
    parser.add_argument("--topology", help="topology of a trajectory (MDAnalysis)")
    parser.add_argument("--trajectory", help="trajectory file (MDAnalysis)")
    parser.add_argument("--selection", default="protein", help="MDAnalysis atom selection")
    parser.add_argument("--start", type=int, default=0)
    parser.add_argument("--stop", type=int)
    parser.add_argument("--step", type=int, default=1)
    parser.add_argument("--chunk", type=int, help="items per task")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, help="processes of the local cluster")
    parser.add_argument("--serial", action="store_true", help="compute here, without Dask")
    parser.add_argument("-o", "--output", help="the table (standard output by default)")
    args = parser.parse_args(argv)
    if bool(args.topology) != bool(args.trajectory):
        parser.error("--topology and --trajectory go together")
    if bool(args.files) == bool(args.trajectory):
        parser.error("give structure files or a trajectory")
    if args.mode == "fit" and not args.couplings:
        parser.error("fit needs --couplings")
    for name, value in (("--chunk", args.chunk), ("--workers", args.workers),
                        ("--step", args.step)):
        if value is not None and value < 1:
            parser.error(f"{name} must be at least 1")
    try:
        args.options = {k: _value(v) for k, v in (s.split("=", 1) for s in args.set)}
    except ValueError:
        parser.error("--set needs NAME=VALUE")
    return args


def _frame_count(args):
    import MDAnalysis
    universe = MDAnalysis.Universe(args.topology, args.trajectory)
    n = len(universe.trajectory)
    return n if args.stop is None else min(args.stop, n)


def main(argv=None):
    args = parse(argv)
    base = {"mode": args.mode, "couplings": args.couplings, "list": args.list,
            "medium": args.medium, "method": args.method, "options": args.options}
    try:
        if args.couplings:
            korva.read_couplings(args.couplings, args.list)  # a bad table fails here, once
        frames = _frame_count(args) if args.trajectory else 0
    except (korva.Error, OSError, ValueError) as err:
        print(f"korva.batch: {reason(err)}", file=sys.stderr)
        return 1
    client = cluster = None
    if not args.serial:
        from dask.distributed import Client
        if args.scheduler:
            client = Client(args.scheduler)
        else:
            cluster = local_cluster(args.workers or os.cpu_count())
            client = Client(cluster)
    try:
        workers = len(client.scheduler_info()["workers"]) if client else 1
        results = run_tasks(make_tasks(args, base, frames, max(1, workers)), client)
    finally:
        if client:
            client.close()
        if cluster:
            cluster.close()
    rows = [row for r in results for row in r[0]]
    failures = [f for r in results for f in r[1]]
    for name, frame, message in failures:
        print(f"korva.batch: {name} {frame}: {message}", file=sys.stderr)
    what = "steric prediction" if args.mode == "predict" else f"{args.method} fit"
    title = f"KORVA batch: {what} of {len(rows)} structures or frames, {len(failures)} failed."
    if args.output:
        # Written whole or not at all.
        partial = f"{args.output}.partial"
        with open(partial, "w", encoding="utf-8") as out:
            write_table(out, rows, failures, title)
        os.replace(partial, args.output)
    else:
        write_table(sys.stdout, rows, failures, title)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
