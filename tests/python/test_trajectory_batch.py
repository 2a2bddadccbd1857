"""Trajectories give each frame the prediction of that frame as a structure of its own, and a batch
on a local Dask cluster of two worker processes gives exactly the serial table."""

import subprocess
import sys

import numpy as np
import pytest

import korva
import korva.trajectory
from conftest import ENSEMBLE, NH, PDB, SOURCE
from test_plot import groups, plot_command

sys.path.insert(0, str(SOURCE / "examples"))
import trajectory as example  # noqa: E402
import MDAnalysis  # noqa: E402


@pytest.fixture(scope="module")
def short(tmp_path_factory):
    """Six frames: models 1, 2 and 3 with a midpoint after each."""
    return example.build(tmp_path_factory.mktemp("trajectory"), per_model=2, frames=6,
                         ensemble=ENSEMBLE)


def test_frames_equal_single_structure_predictions(short):
    nh = korva.read_couplings(NH)
    run = korva.trajectory.predict(MDAnalysis.Universe(*map(str, short)), couplings=nh)
    assert list(run.frames) == list(range(6)) and run.predicted.shape == (6, 63)
    for model in (1, 2, 3):
        alone = korva.predict(korva.read_structure(ENSEMBLE, model=model), nh)
        assert np.array_equal(run.saupe[2 * model - 2], alone.saupe)
        assert np.array_equal(run.predicted[2 * model - 2], alone.predicted)
    assert np.allclose(run.predicted_mean, run.predicted.sum(axis=0) / 6)
    # Every frame of an impossible simulation fails with the program's message, none is kept.
    failed = korva.trajectory.predict(MDAnalysis.Universe(*map(str, short)), step=3,
                                      orientations=2)
    assert failed.failed == {0: "KORVA: error - -dot must be at least 3.",
                             3: "KORVA: error - -dot must be at least 3."}
    assert failed.saupe.shape == (0, 5)


def batch(*args):
    return subprocess.run([sys.executable, "-m", "korva.batch", *map(str, args)],
                          capture_output=True, text=True, timeout=600)


def test_two_workers_give_the_serial_table(short, tmp_path):
    top, trj = short
    runs = {}
    for how in (["--serial"], ["--workers", 2, "--chunk", 2]):
        done = batch("predict", "--topology", top, "--trajectory", trj, "--couplings", NH,
                     "--set", "orientations=50", *how)
        assert done.returncode == 0, done.stderr
        runs[how[0]] = done.stdout
    assert runs["--serial"] == runs["--workers"]
    table = korva.reports.read_table(runs["--serial"])
    assert table["columns"]["FRAME"].tolist() == [0, 1, 2, 3, 4, 5]
    alone = korva.predict(korva.read_structure(ENSEMBLE, model=2), korva.read_couplings(NH),
                          orientations=50)
    assert table["columns"]["SZZ"][2] == float(f"{alone.saupe[0]:.4e}")
    mean = np.mean([table["columns"][c] for c in ("SZZ", "SXX_SYY", "SXY", "SXZ", "SYZ")], 1)
    assert np.allclose([float(v) for v in table["data"]["AVERAGE SAUPE"]], mean, rtol=1e-3)
    # The plot command draws a batch table as the Saupe elements per frame.
    (tmp_path / "batch.tab").write_text(runs["--serial"])
    assert plot_command(tmp_path / "batch.tab", "-o", tmp_path / "b.svg").returncode == 0
    assert [len(groups(tmp_path / "b.svg")[0][f"saupe-{k}"]) for k in range(1, 6)] == [6] * 5


def test_a_failed_item_is_named_and_the_batch_goes_on(tmp_path):
    out = tmp_path / "fits.tab"
    done = batch("fit", PDB, tmp_path / "missing.pdb", "--couplings", NH, "--workers", 2,
                 "-o", out)
    assert done.returncode == 1
    assert f"{tmp_path / 'missing.pdb'} 0: PDB Error opening PDB file" in done.stderr
    table = korva.reports.read(out)
    assert table["kind"] == "batch" and table["columns"]["NAME"] == [str(PDB)]
    # The SVD fit of the bundled example: Q as the README states it.
    assert table["columns"]["Q"].tolist() == [0.045]
