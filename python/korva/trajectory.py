"""Steric alignment along a molecular-dynamics trajectory, read with MDAnalysis.

Each frame is predicted as a structure of its own: the atoms of the selection take the frame's
coordinates, and the prediction is the one korva.predict gives for that structure. The result
holds the Saupe vector of every frame and the couplings averaged over frames (each frame's
couplings predicted with its own tensor)::

    import MDAnalysis, korva.trajectory
    u = MDAnalysis.Universe("topology.pdb", "trajectory.dcd")
    run = korva.trajectory.predict(u, "protein", step=10, couplings=korva.read_couplings("nh.tab"))
    print(run.saupe.mean(axis=0), run.predicted_mean)
"""

from dataclasses import dataclass, field

import numpy as np

import korva


def structure_of(atoms):
    """A korva Structure of an MDAnalysis AtomGroup (names, residues, chains, segments and
    elements as the topology has them) at the group's current coordinates."""
    n = len(atoms)
    chains = atoms.chainIDs if hasattr(atoms, "chainIDs") else [""] * n
    # A PDB file without segment names gets its chain names as segments, or SYSTEM: neither is a
    # segment of the file.
    segments = [s if s not in ("SYSTEM", c) else "" for s, c in zip(atoms.segids, chains)]
    elements = atoms.elements if hasattr(atoms, "elements") else None
    return korva.make_structure(atoms.positions, atoms.names, residues=atoms.resids,
                                residue_names=atoms.resnames, chains=chains, segments=segments,
                                elements=elements)


@dataclass
class TrajectoryPrediction:
    """What korva.trajectory.predict gives."""

    frames: np.ndarray  # frame indices
    times: np.ndarray  # ps, as the trajectory gives them
    saupe: np.ndarray  # (frames, 5): Szz, Sxx-Syy, Sxy, Sxz, Syz of each frame
    simulated_atoms: np.ndarray  # per frame
    couplings: list = field(default_factory=list)  # the listed Couplings
    observed: np.ndarray = None  # Hz, per coupling
    predicted: np.ndarray = None  # (frames, couplings), Hz
    failed: dict = field(default_factory=dict)  # frame index -> message of korva.Error

    @property
    def predicted_mean(self):
        """The frame-averaged predicted couplings, Hz."""
        return self.predicted.mean(axis=0) if len(self.predicted) else self.predicted

    @property
    def saupe_mean(self):
        """The frame-averaged Saupe vector."""
        return self.saupe.mean(axis=0)


def frame_results(universe, selection="protein", start=None, stop=None, step=1, couplings=None,
                  medium="wall", **options):
    """Yields (frame index, time, Result or korva.Error) for each chosen frame."""
    atoms = universe.select_atoms(selection)
    if len(atoms) == 0:
        raise ValueError(f"selection {selection!r} holds no atoms")
    base = structure_of(atoms)
    wanted = list(couplings) if couplings is not None else []
    for ts in universe.trajectory[start:stop:step]:
        try:
            result = korva.predict(base.with_coordinates(atoms.positions), wanted, medium,
                                   **options)
        except korva.Error as err:
            result = err
        yield ts.frame, ts.time, result


def reason(err):
    """The line of a korva.Error that says why: the last of the program's lines."""
    lines = str(err).strip().splitlines()
    return lines[-1] if lines else type(err).__name__


def collect(items):
    """A TrajectoryPrediction of (frame, time, Result or korva.Error) items in frame order."""
    kept = [(f, t, r) for f, t, r in items if not isinstance(r, korva.Error)]
    failed = {f: reason(r) for f, t, r in items if isinstance(r, korva.Error)}
    first = kept[0][2] if kept else None
    return TrajectoryPrediction(
        frames=np.array([f for f, _, _ in kept], dtype=np.int64),
        times=np.array([t for _, t, _ in kept], dtype=np.float64),
        saupe=np.array([r.saupe for _, _, r in kept]).reshape(-1, 5),
        simulated_atoms=np.array([r.simulated_atoms for _, _, r in kept], dtype=np.int64),
        couplings=[p.coupling for p in first.couplings] if first else [],
        observed=first.observed if first else np.zeros(0),
        predicted=(np.array([r.predicted for _, _, r in kept]) if kept else np.zeros((0, 0))),
        failed=failed)


def predict(universe, selection="protein", step=1, start=None, stop=None, couplings=None,
            medium="wall", **options):
    """Predicts the steric alignment of every ``step``-th frame of ``universe`` (an
    MDAnalysis Universe) from the atoms of ``selection`` (MDAnalysis selection syntax; KORVA
    itself then drops hydrogens and keeps the surface atoms as korva.predict does).

    ``couplings`` (a list from korva.read_couplings) are predicted in every frame; ``medium`` and
    the keyword options are those of korva.predict. A frame whose prediction fails is left out
    and named with its message in ``failed``. Returns a TrajectoryPrediction.
    """
    return collect(list(frame_results(universe, selection, start, stop, step, couplings, medium,
                                      **options)))
