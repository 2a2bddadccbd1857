"""The plots as written SVG: one marker per point in the named groups, at the places of the data,
with the axis labels and legends; and the plot command on real reports and map files."""

import subprocess
import sys
import xml.etree.ElementTree as ET

import numpy as np
import pytest

import korva
import korva.plot
from conftest import NH, PDB

SVG = "{http://www.w3.org/2000/svg}"


def groups(path):
    """{gid: [(x, y) of each marker]} and every text of an SVG file."""
    root = ET.parse(path).getroot()
    found = {}
    for g in root.iter(SVG + "g"):
        uses = g.findall(f".//{SVG}use")
        found[g.get("id")] = [(float(u.get("x")), float(u.get("y"))) for u in uses]
    return found, [t.text for t in root.iter(SVG + "text")]


def plot_command(*args):
    return subprocess.run([sys.executable, "-m", "korva.plot", *map(str, args)],
                          capture_output=True, text=True)


@pytest.fixture(scope="module")
def ubq():
    return korva.read_structure(PDB), korva.read_couplings(NH)


def test_correlation_places_every_coupling(cli, tmp_path):
    cli("-pdb", PDB, "-inD", NH, "-outD", "report.tab")
    assert plot_command(tmp_path / "report.tab", "-o", tmp_path / "c.svg").returncode == 0
    points, texts = groups(tmp_path / "c.svg")
    observed = korva.reports.read(tmp_path / "report.tab")["columns"]["D_OBS"]
    xy = np.array(points["points-N-H"])
    assert len(xy) == 63
    # SVG's y grows downwards: the larger the value, the smaller y.
    assert np.array_equal(np.argsort(xy[:, 0], kind="stable"),
                          np.argsort(observed, kind="stable"))
    # R and Q of the steric prediction on this example, as the README states them.
    assert {"observed coupling (Hz)", "predicted coupling (Hz)", "N-H (63)",
            "R = 0.962  Q = 0.482  N = 63"} <= set(texts)


def test_world_map_of_a_map_file_and_of_an_error_map(cli, tmp_path, ubq):
    cli("-bestFit", "-pdb", PDB, "-inD", NH, "-map", 40, "-outMap", "map.txt")
    assert plot_command(tmp_path / "map.txt", "-o", tmp_path / "m.svg").returncode == 0
    from_file, texts = groups(tmp_path / "m.svg")
    assert [len(from_file[f"axis-{a}"]) for a in "zyx"] == [80, 80, 80]
    assert {"z axis", "40 steps", "latitude"} <= set(texts)
    korva.plot.save(korva.plot.world_map(korva.error_map(*ubq, 40)), tmp_path / "e.svg")
    # The same points, but for the six decimals of the file.
    assert np.allclose(groups(tmp_path / "e.svg")[0]["axis-x"], from_file["axis-x"], atol=1e-3)


def test_ensemble_draws_each_element_per_model(tmp_path):
    saupe = np.array([[1e-3, 2e-4, 3e-4, -1e-4, 5e-5], [5e-4, 1e-4, 0, 0, 2e-4],
                      [8e-4, 1e-4, 2e-4, 0, 1e-4]])
    korva.plot.save(korva.plot.ensemble(saupe), tmp_path / "s.svg")
    found, texts = groups(tmp_path / "s.svg")
    szz = np.array(found["saupe-1"])
    assert [len(found[f"saupe-{k}"]) for k in range(1, 6)] == [3] * 5
    assert np.array_equal(np.argsort(-szz[:, 1]), np.argsort(saupe[:, 0]))
    assert {"Szz", "Syz", "Saupe element"} <= set(texts)
    korva.plot.save(korva.plot.ensemble(saupe), tmp_path / "s.png")
    assert (tmp_path / "s.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_plot_command_refuses_what_it_cannot_plot(tmp_path):
    (tmp_path / "x.txt").write_text("hello world\n")
    done = plot_command(tmp_path / "x.txt", "-o", tmp_path / "x.svg")
    assert done.returncode == 1 and "neither a KORVA report" in done.stderr
    assert plot_command(tmp_path / "x.txt", "-o", tmp_path / "x.pdf").returncode == 2
