#!/usr/bin/python3
"""A short trajectory made from the 20 models of ubiquitin 2MJB, and its steric alignment.

The models are joined by straight-line steps (--per-model frames from each model to the next,
the last back to the first), written as a DCD trajectory on a PDB topology, read back with
MDAnalysis and predicted frame by frame with korva.trajectory. Every --per-model-th frame is a
model itself; the script checks that its tensor equals the single-structure prediction of that
model, prints the per-frame Saupe vectors and the frame-averaged N-H couplings, and with --plot
draws the Saupe elements per frame.

    PYTHONPATH=build/python /usr/bin/python3 examples/trajectory.py [--per-model 3] [--plot s.svg]
"""

import argparse
import sys
import tempfile
import warnings
from pathlib import Path

import numpy as np

warnings.simplefilter("ignore")  # MDAnalysis warns of what a DCD or a bare PDB lacks
import MDAnalysis  # noqa: E402

import korva  # noqa: E402
import korva.plot  # noqa: E402
import korva.trajectory  # noqa: E402

HERE = Path(__file__).resolve().parent
ENSEMBLE = HERE / "ubiquitin-2mjb-ensemble.pdb"
COUPLINGS = HERE / "ubiquitin-nh-bicelle.tab"


def build(folder, per_model, frames=None, ensemble=ENSEMBLE):
    """Writes folder/ubiquitin.pdb (model 1) and folder/ubiquitin.dcd; returns their paths.
    ``frames`` (default: per_model frames for each model) cuts or repeats the cycle."""
    models = MDAnalysis.Universe(str(ensemble))
    coordinates = np.array([ts.positions.copy() for ts in models.trajectory])
    count = len(coordinates)
    frames = frames or per_model * count
    topology, trajectory = Path(folder) / "ubiquitin.pdb", Path(folder) / "ubiquitin.dcd"
    models.trajectory[0]
    models.atoms.write(str(topology))
    with MDAnalysis.Writer(str(trajectory), models.atoms.n_atoms) as writer:
        for f in range(frames):
            k, w = divmod(f % (per_model * count), per_model)
            a, b = coordinates[k], coordinates[(k + 1) % count]
            models.atoms.positions = (1.0 - w / per_model) * a + (w / per_model) * b
            writer.write(models.atoms)
    return topology, trajectory


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--per-model", type=int, default=3,
                        help="frames from one model to the next")
    parser.add_argument("--plot", help="write the Saupe elements per frame to this SVG or PNG")
    args = parser.parse_args()
    couplings = korva.read_couplings(COUPLINGS)
    with tempfile.TemporaryDirectory() as folder:
        topology, trajectory = build(folder, args.per_model)
        universe = MDAnalysis.Universe(str(topology), str(trajectory))
        run = korva.trajectory.predict(universe, "protein", couplings=couplings)

    print(f"{len(run.frames)} frames, {run.simulated_atoms.min()}-{run.simulated_atoms.max()} "
          "atoms simulated")
    print("frame  Szz         Sxx-Syy     Sxy         Sxz         Syz")
    for frame, s in zip(run.frames, run.saupe):
        print(f"{frame:5d} " + " ".join(f"{v: .4e}" for v in s))
    mean = korva.analyze(run.saupe_mean)
    print("mean  " + " ".join(f"{v: .4e}" for v in run.saupe_mean) +
          f"   Da {mean.da: .4e} Dr {mean.dr: .4e}")

    # The frames that are models themselves against single-structure predictions.
    same = 0
    for model in range(1, 21):
        frame = (model - 1) * args.per_model
        alone = korva.predict(korva.read_structure(ENSEMBLE, model=model), couplings)
        same += np.array_equal(alone.saupe, run.saupe[frame])
    print(f"{same} of 20 model frames equal the single-structure prediction of their model")
    print("frame-averaged N-H couplings (Hz):")
    for c, mean_d, std_d in zip(run.couplings, run.predicted_mean, run.predicted.std(axis=0)):
        print(f"  {c.res_i:4d} {c.atom_i}-{c.atom_j}  observed {c.D:8.3f}  predicted "
              f"{mean_d:8.3f} +/- {std_d:.3f}")
    if args.plot:
        figure = korva.plot.ensemble(run.saupe, xlabel="frame", title="ubiquitin 2MJB, wall")
        korva.plot.save(figure, args.plot)
    return 0 if same == 20 else 1


if __name__ == "__main__":
    sys.exit(main())
