"""Shared set-up of the Python tests: where the sources and the command line are, and how to run
the command line for the numbers the module must match."""

import os
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("KORVA_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BIN = os.environ.get("KORVA_BIN", str(SOURCE / "build" / "korva"))
PDB = SOURCE / "examples" / "ubiquitin-2mjb.pdb"
NH = SOURCE / "examples" / "ubiquitin-nh-bicelle.tab"
PF1 = SOURCE / "examples" / "ubiquitin-nh-pf1.tab"
ENSEMBLE = SOURCE / "examples" / "ubiquitin-2mjb-ensemble.pdb"


def run_korva(args, cwd):
    """Runs the command line in cwd; its report text (standard output) or the -outD file."""
    done = subprocess.run([BIN, *args], cwd=cwd, capture_output=True, text=True, check=True)
    return done.stdout


@pytest.fixture
def cli(tmp_path):
    return lambda *args: run_korva([str(a) for a in args], tmp_path)
