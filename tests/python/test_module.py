"""The module gives the command line's numbers to every printed digit, reads every format, and
raises the program's messages; expected values are the command line's own reports."""

import re
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import korva
from korva import reports
from conftest import ENSEMBLE, NH, PDB, PF1, SOURCE

DATA = SOURCE / "tests" / "data"


def e4(values):
    return [f"{v:.4e}" for v in values]


def free_coordinates():
    """The seven-field entries of the free-format example, read independently of the program."""
    words = (SOURCE / "examples" / "ubiquitin-heavy.txt").read_text().split()
    at = [i for i, w in enumerate(words) if w == "ATOM"]
    return np.array([[float(w) for w in words[i + 5:i + 8]] for i in at])


@pytest.fixture(scope="module")
def inputs():
    return korva.read_structure(PDB), korva.read_couplings(NH), korva.read_couplings(PF1)


# Each command line beside the module call that must give its report's numbers.
CASES = [
    ([], lambda u, nh, pf1: korva.predict(u, nh)),
    (["-pf1"], lambda u, nh, pf1: korva.predict(u, pf1, "rod")),
    (["-dot", 50, "-digPsi", 6, "-dGrid", 1.5, "-r1", 10, "-rN", 40, "-wv", 0.1, "-atom", "C*",
      "-aGlob"],
     lambda u, nh, pf1: korva.predict(u, nh, orientations=50, psi_steps=6, grid_spacing=1.5,
                                      residues=(10, 40), concentration=0.1, atom_names="C*",
                                      match={"atom_names": "glob"})),
    (["-pf1", "-surfPot", -4.5, "-debye", 8, "-dot", 50],
     lambda u, nh, pf1: korva.predict(u, pf1, "rod", surface_potential=-4.5, debye_length=8,
                                      orientations=50)),
    (["-bestFit"], lambda u, nh, pf1: korva.fit(u, nh)),
    (["-bestFit", "-nofixed", "-pf1"], lambda u, nh, pf1: korva.fit(u, pf1, "nofixed")),
    (["-bestFit", "-dadr", "-da", 1e-3, "-dr", 2e-4],
     lambda u, nh, pf1: korva.fit(u, nh, "dadr", da=1e-3, dr=2e-4)),
    (["-bestFit", "-s1", 20, "-sN", 60], lambda u, nh, pf1: korva.fit(u, nh, first=20, last=60)),
    (["-bestFit", "-map", 30, "-outMap", "map.txt"],
     lambda u, nh, pf1: korva.error_map(u, nh, 30).mean),
]


@pytest.mark.parametrize("args,call", CASES)
def test_numbers_equal_the_command_line(cli, inputs, args, call):
    table = PF1 if "-pf1" in args else NH
    report = reports.read_table(cli("-pdb", PDB, "-inD", table, *args))
    data, rows = report["data"], report["columns"]
    result = call(*inputs)
    t = result.tensor
    assert data["SAUPE"] == e4(result.saupe)
    assert data["EIGENVALUES (Axx,Ayy,Azz)"] == e4(t.eigenvalues[::-1])
    assert data["IRREDUCIBLE GENERAL_MAGNITUDE"] == e4([t.general_magnitude])
    assert data["Da"] == [f"{t.fit_da:e}"] and data["Dr"] == [f"{t.fit_dr:e}"]
    s = result.statistics
    assert data["N"] == [str(s.n)]
    assert [data["RMS"], data["CORR R"], data["MERIDOVANT Q"]] == [[f"{s.rms:.3f}"],
                                                                  [f"{s.r:.3f}"], [f"{s.q:.3f}"]]
    assert [f"{v:.4f}" for v in rows["D"]] == [f"{v:.4f}" for v in result.predicted]
    assert np.array_equal(rows["D_OBS"], np.round(result.observed, 4))


def test_free_coordinates_and_the_map_file(cli, tmp_path, inputs):
    free = SOURCE / "examples" / "ubiquitin-heavy.txt"
    report = reports.read_table(cli("-stKorvaFree", "-pdbF", free))
    # The program keeps coordinates in single precision.
    xyz = korva.read_coordinates(free)
    assert np.array_equal(xyz, free_coordinates().astype(np.float32))
    assert report["data"]["SAUPE"] == e4(korva.predict(xyz).saupe)

    cli("-bestFit", "-pdb", PDB, "-inD", NH, "-map", 20, "-outMap", "map.txt")
    written = reports.read_map((tmp_path / "map.txt").read_text())
    points, opposite = korva.world_map_points(korva.error_map(*inputs[:2], 20).axes)
    assert np.array_equal(written, np.round(np.stack([points, opposite], axis=1), 6))


def test_compares_tensors_like_the_command_line(cli):
    s1, s2 = [1e-3, 2e-4, 3e-4, -1e-4, 5e-5], [5e-4, 1e-4, 0, 0, 2e-4]
    data = reports.read_table(cli("-anA", "-inS1", *s1, "-inS2", *s2, "-add"))["data"]
    c = korva.compare_tensors(s1, s2, "add")
    assert data["SAUPE"] == e4(c.result.saupe)
    assert data["ANGLE_3D_AXES (X/Y/Z)"] == [f"{a:.2f}" for a in c.axis_angles]
    assert data["COLL_5D"] == [f"{c.collinearity:.5f}"]


def test_the_readmes_example_runs_in_a_fresh_interpreter():
    code = re.search(r"```python\n(.*?)```", (SOURCE / "README.md").read_text(), re.S).group(1)
    done = subprocess.run([sys.executable, "-c", code], cwd=SOURCE, capture_output=True,
                          text=True)
    assert done.returncode == 0, done.stderr
    # R of the steric prediction and Q of the SVD fit of this example, as the README states them.
    r, q = (float(w) for w in done.stdout.split()[-2:])
    assert (round(r, 3), round(q, 3)) == (0.962, 0.045)


def test_models_formats_and_lists():
    models = korva.read_models(ENSEMBLE)
    assert len(models) == 20 and {m.atom_count for m in models} == {1231}  # the data's README
    # The example is model 1 of the entry.
    assert np.array_equal(models[0].coordinates, korva.read_structure(PDB).coordinates)
    assert np.array_equal(korva.read_structure(DATA / "1d3z-cut.cif", model=1).coordinates,
                          korva.read_structure(DATA / "1d3z-cut.pdb", model=1).coordinates)
    # The same 99 couplings of 2LOY (the data's README) in three formats.
    lists = [korva.read_couplings(DATA / name) for name in ("2loy-rdc.nef", "2loy-rdc.str",
                                                            "2loy-rdc.mr")]
    assert [len(c) for c in lists] == [99, 99, 99]
    assert [c.D for c in lists[0]] == [c.D for c in lists[1]] == [c.D for c in lists[2]]
    two = korva.read_couplings(DATA / "gb1-two-lists.nef", list="t")
    assert len(two) > 0 and two[0].D != korva.read_couplings(DATA / "gb1-two-lists.nef")[0].D


def test_structure_from_arrays_predicts_as_read(inputs):
    ubq, nh, _ = inputs
    atoms = ubq.atoms()
    made = korva.make_structure(ubq.coordinates, [a.name for a in atoms],
                                residues=[a.residue for a in atoms],
                                residue_names=[a.residue_name for a in atoms])
    assert np.array_equal(korva.predict(made, nh).predicted, korva.predict(ubq, nh).predicted)
    # Moving every atom by the same vector changes no orientation.
    moved = ubq.with_coordinates(ubq.coordinates + np.float32(8.0))
    assert np.allclose(korva.fit(moved, nh).saupe, korva.fit(ubq, nh).saupe, rtol=1e-4)


@pytest.mark.parametrize("call,message", [
    (lambda: korva.read_structure("/nonexistent.pdb"),
     "PDB Error opening PDB file /nonexistent.pdb"),
    (lambda: korva.read_couplings("/nonexistent.tab"),
     "RdTable File open error: /nonexistent.tab."),
    (lambda: korva.read_structure(ENSEMBLE, model=21),
     f"KORVA: error - model 21 not in {ENSEMBLE} (20 models)."),
    (lambda: korva.predict(korva.read_structure(PDB), orientations=2),
     "KORVA: error - -dot must be at least 3."),
    (lambda: korva.read_coordinates("/dev/null"),
     "KORVA: error - no atoms in free-format file /dev/null!"),
    (lambda: korva.read_couplings(NH, list="a"),
     f"KORVA: error - -list a: {NH} is a coupling table, which holds one list."),
])
def test_bad_input_raises_the_programs_message(call, message):
    with pytest.raises(korva.Error) as caught:
        call()
    assert str(caught.value).splitlines()[-1] == message and caught.value.code == 1


@pytest.mark.parametrize("call", [
    lambda: korva.predict(korva.read_structure(PDB), medium="gel"),
    lambda: korva.fit(korva.read_structure(PDB), [], method="lsq"),
    lambda: korva.analyze([1.0, 2.0]),
])
def test_bad_arguments_raise_value_errors(call):
    with pytest.raises(ValueError):
        call()


def test_computations_release_the_interpreter(inputs):
    """Two threads released at once overlap inside their computations only when the lock is let
    go: holding it, the second could not even enter its call before the first returned."""
    ubq = inputs[0]
    barrier, spans = threading.Barrier(2), {}

    def compute(name):
        barrier.wait()
        begin = time.perf_counter()
        korva.predict(ubq, orientations=20000, psi_steps=36)
        spans[name] = (begin, time.perf_counter())

    threads = [threading.Thread(target=compute, args=(k,)) for k in (0, 1)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    (a0, a1), (b0, b1) = spans[0], spans[1]
    assert a0 < b1 and b0 < a1


def test_an_ensemble_gives_the_command_lines_averages(cli):
    ensemble, nh = korva.read_structure(ENSEMBLE), korva.read_couplings(NH)
    assert ensemble.model_count == 20
    for args, call in ((["-dot", 50], lambda: korva.predict(ensemble, nh, orientations=50)),
                       (["-bestFit"], lambda: korva.fit(ensemble, nh))):
        data = reports.read_table(cli("-pdb", ENSEMBLE, "-inD", NH, *args))["data"]
        assert data["SAUPE"] == e4(call().saupe)
