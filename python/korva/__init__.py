"""KORVA: steric alignment prediction and alignment-tensor fitting for biomolecular NMR.

Read a structure and a coupling table, predict the alignment that a liquid-crystalline medium
induces by steric obstruction, or fit an alignment tensor to the measured couplings::

    import korva
    ubq = korva.read_structure("examples/ubiquitin-2mjb.pdb")
    nh = korva.read_couplings("examples/ubiquitin-nh-bicelle.tab")
    steric = korva.predict(ubq, nh, medium="wall")
    print(steric.saupe, steric.statistics.q, korva.fit(ubq, nh).statistics.q)

Every computation gives the numbers of the command line, raises korva.Error with the program's
message for bad input, and releases the interpreter lock while it runs. Plots are in korva.plot,
trajectories in korva.trajectory and batches on Dask in korva.batch.
"""

import numpy as np

from . import _korva
from ._korva import (Atom, Charge, Coupling, CouplingComparison, Error, ErrorMap, PredictedCoupling,
                     Result, Statistics, Structure, Tensor, TensorComparison)

__all__ = [
    "Atom", "Charge", "Coupling", "CouplingComparison", "Error", "ErrorMap", "PredictedCoupling",
    "Result", "Statistics", "Structure", "Tensor", "TensorComparison", "analyze", "compare_couplings",
    "compare_tensors", "error_map", "fit", "make_structure", "predict", "read_coordinates",
    "read_couplings", "read_models", "read_structure", "version", "world_map_points"
]

__version__ = _korva.version()

_PI = 3.14159265  # the program's value, so that map points agree to every printed digit
_MATCH = {"exact": 1, "regex": 2, "glob": 3}
# The name lists of an atom selection: predict's keyword and the selection record's field.
_LISTS = {"residue_names": "residues", "atom_names": "atoms", "chains": "chains",
          "segments": "segments"}
_RANGE = {"exclusive": 1, "inclusive": 2, "larger": 3}
_COUPLING_SELECTION = ("first", "last", "pdb_first", "range_mode", "atom_i", "atom_j", "weights")


def version():
    """The program's version, as ``korva -help`` prints it."""
    return _korva.version()


def _choice(table, value, what):
    if value in table:
        return table[value]
    raise ValueError(f"{what} must be one of {', '.join(map(str, table))}, not {value!r}")


def _apply(options, values, what):
    """Sets each keyword on an options record, refusing names it does not have."""
    for name, value in values.items():
        if value is None:
            continue
        if not hasattr(options, name):
            raise TypeError(f"{what}: unknown option {name!r}")
        setattr(options, name, value)
    return options


def _coupling_selection(kwargs):
    chosen = {k: kwargs.pop(k) for k in _COUPLING_SELECTION if k in kwargs}
    if isinstance(chosen.get("range_mode"), str):
        chosen["range_mode"] = _choice(_RANGE, chosen["range_mode"], "range_mode")
    if chosen.get("weights") is not None:
        chosen["weights"] = [float(w) for w in chosen["weights"]]
    return _apply(_korva.CouplingSelection(), chosen, "coupling selection")


def _couplings(couplings):
    return [] if couplings is None else list(couplings)


def read_structure(path, model=None):
    """Reads a structure file: PDB, or mmCIF when the name ends in .cif or .mmcif (also .gz).

    ``model`` (1-based, in file order) picks one model of a multi-model file; without it every
    model is kept (an ensemble: predict and fit then average over the models, as the command line
    does). Raises korva.Error for a file that cannot be read.
    """
    return _korva.read_structure(str(path), 0 if model is None else int(model))


def read_models(path):
    """Every model of a PDB (split at MODEL records) or mmCIF file, as a list of structures."""
    return _korva.read_models(str(path))


def read_coordinates(path):
    """The (n, 3) coordinates (Angstrom) of a free-format coordinate file (blank-separated
    "ATOM serial name residue number x y z" entries), for predict() as bare coordinates."""
    return _korva.read_free_coordinates(str(path))


def make_structure(coordinates, names, residues=None, residue_names=None, chains=None,
                   segments=None, elements=None):
    """A structure from an (n, 3) coordinate array (Angstrom) and n atom names.

    Residue numbers default to 1, residue names, chains, segments and elements to empty; each
    given list needs n entries. Atoms whose name starts with H (or a digit and H) are hydrogens.
    """
    xyz = np.asarray(coordinates, dtype=np.float64)
    n = len(names)
    if xyz.shape != (n, 3):
        raise ValueError(f"coordinates need the shape ({n}, 3), not {xyz.shape}")
    columns = {"residue": residues, "residue_name": residue_names, "chain": chains,
               "segment": segments, "element": elements}
    for key, values in columns.items():
        if values is not None and len(values) != n:
            raise ValueError(f"{key} needs {n} entries, not {len(values)}")
    atoms = []
    for i in range(n):
        atom = Atom()
        atom.serial = i + 1
        atom.name = str(names[i])
        atom.x, atom.y, atom.z = (float(v) for v in xyz[i])
        atom.residue = 1 if residues is None else int(residues[i])
        for key in ("residue_name", "chain", "segment", "element"):
            if columns[key] is not None:
                setattr(atom, key, str(columns[key][i]))
        atoms.append(atom)
    return _korva.make_structure(atoms)


def read_couplings(path, list=None):  # noqa: A002 - the name the command line uses
    """Reads couplings: a coupling table, or one list of a NEF, NMR-STAR or Xplor-NIH file.

    The format is told by content. ``list`` names the list (a NEF or NMR-STAR save-frame name,
    or an Xplor tensor residue such as "500"); without it the first list is read.
    """
    return _korva.read_couplings(str(path), "" if list is None else str(list))


def _charge(row):
    """A Charge of a Charge or of a (residue, atom[, chain], e) row."""
    if isinstance(row, Charge):
        return row
    charge = Charge()
    residue, atom, *rest = row
    charge.residue, charge.atom = int(residue), str(atom)
    chain, value = rest if len(rest) == 2 else ("", *rest)
    charge.chain, charge.charge = str(chain), float(value)
    return charge


def _steric_options(medium, kwargs):
    options = _korva.StericOptions()
    options.medium = _choice({"wall": _korva.Medium.wall, "rod": _korva.Medium.rod}, medium,
                             "medium")
    sel = _korva.AtomSelection()
    residues = kwargs.pop("residues", None)
    if residues is not None:
        sel.first, sel.last = (int(r) for r in residues)
    for key, field in _LISTS.items():
        if key in kwargs:
            setattr(sel, field, str(kwargs.pop(key)))
    match = kwargs.pop("match", "exact")
    if isinstance(match, dict):
        for key, how in match.items():
            setattr(sel, _choice(_LISTS, key, "match list") + "_match",
                    _choice(_MATCH, how, "match"))
    else:
        sel.match = _choice(_MATCH, match, "match")
    options.selection = sel
    charges = kwargs.pop("charges", None)
    if charges is not None:
        options.charges = [_charge(c) for c in charges]
    if kwargs.get("model_radius") is None:
        kwargs.pop("model_radius", None)
    return _apply(options, kwargs, "predict")


def predict(structure, couplings=None, medium="wall", *, names=None, **options):
    """Steric prediction of the alignment tensor, and of the couplings from it.

    ``structure`` is a Structure, or an (n, 3) coordinate array: with ``names`` it is made a
    structure (make_structure builds one with residues, chains and the rest); without names it is
    simulated as bare coordinates, every atom 1.7 A, surface atoms only (the -stKorvaFree mode).
    ``medium`` is "wall" (bicelles) or "rod" (filamentous phage). Options, with the command
    line's defaults: concentration=0.05 (-wv), order=0.8 (-lcS), model_radius (-rM; 20 A wall,
    33.5 A rod), atom_radius=0.0 (-rA), grid_spacing=0.2 (-dGrid), orientations=100 (-dot),
    psi_steps=18 (-digPsi), surface=True, hydrogens=False (-H); atom selection residues=(first,
    last), residue_names, atom_names, chains, segments (space-separated lists, "*" for all) with
    match="exact"|"regex"|"glob" for every list, or a dict for some ({"atom_names": "glob"}, as
    -aGlob; the others exact); coupling selection first, last, pdb_first, range_mode, atom_i,
    atom_j, weights. The charged medium: surface_potential=0.0 (-surfPot, kT/e; 0 steric alone),
    debye_length=10.0 (-debye, A), fit_potential=False (-fitPot), charges (-charges: Charge
    values or (residue, atom[, chain], e) rows; default the ionised groups at pH ~6.5); the
    Result then carries surface_potential and electrostatic_fraction. Returns a Result.
    """
    selection = _coupling_selection(options)
    if isinstance(structure, Structure):
        steric = _steric_options(medium, options)
        return _korva.predict(structure, _couplings(couplings), steric, selection)
    xyz = np.asarray(structure, dtype=np.float64)
    if names is not None:
        return _korva.predict(make_structure(xyz, names), _couplings(couplings),
                              _steric_options(medium, options), selection)
    if couplings:
        raise ValueError("bare coordinates carry no atom names to predict couplings for")
    return _korva.predict_free(xyz, _steric_options(medium, options))


_METHODS = {m: getattr(_korva.FitMethod, m) for m in ("svd", "nofixed", "dadr", "fixed", "saupe")}


def _fit_options(method, kwargs):
    options = _korva.FitOptions()
    options.method = _choice(_METHODS, method, "method")
    saupe = kwargs.pop("saupe", None)
    if saupe is not None:
        options.saupe = np.asarray(saupe, dtype=np.float64)
        if method == "svd":
            options.method = _korva.FitMethod.saupe
    return _apply(options, kwargs, "fit")


def fit(structure, couplings, method="svd", **options):
    """Fits an alignment tensor to the couplings for the structure.

    ``method``: "svd" (order-matrix fit, needs five usable couplings), "nofixed" (Da, Dr and the
    angles vary), "dadr" (Da and Dr held), "fixed" (all held), or "saupe" (predict from the given
    ``saupe`` vector). Start values and bounds as the command line's: da, dr, psi, theta, phi,
    da_min, da_max, dr_min, dr_max, psi_min, ..., phi_max; coupling selection as in predict().
    Returns a Result.
    """
    selection = _coupling_selection(options)
    return _korva.fit(structure, _couplings(couplings), _fit_options(method, options), selection)


def error_map(structure, couplings, steps, method="svd", **options):
    """Error-space mapping: the fit repeated ``steps`` times on couplings perturbed by half their
    errors (a fixed random sequence). Returns an ErrorMap: the mean Result, the statistics of
    the Saupe elements and the principal axes of every counted step (see world_map_points)."""
    selection = _coupling_selection(options)
    return _korva.error_map(structure, _couplings(couplings), int(steps),
                            _fit_options(method, options), selection)


def analyze(saupe):
    """The analysis of a Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz): a Tensor."""
    return _korva.analyze(np.asarray(saupe, dtype=np.float64))


_ACTIONS = {a: getattr(_korva.Action, a) for a in ("add", "sub", "mul", "div", "max")}


def compare_tensors(s1, s2, action="sub", c1=1.0, c2=1.0):
    """Combines two Saupe vectors element by element (c1*s1 action c2*s2) and compares their
    principal axes and five-dimensional collinearity, as the -anA mode. A TensorComparison."""
    return _korva.compare_tensors(np.asarray(s1, dtype=np.float64),
                                  np.asarray(s2, dtype=np.float64),
                                  _choice(_ACTIONS, action, "action"), float(c1), float(c2))


def compare_couplings(first, second, action="add", c1=0.0, c2=1.0, **selection):
    """Pairs each coupling of ``first`` with the identical one of ``second`` and combines their
    values, as the -anDC mode. A CouplingComparison."""
    chosen = _coupling_selection(selection)
    if selection:
        raise TypeError(f"compare_couplings: unknown option {next(iter(selection))!r}")
    return _korva.compare_couplings(list(first), list(second), _choice(_ACTIONS, action, "action"),
                                    float(c1), float(c2), chosen)


def world_map_points(axes):
    """The world-map points of principal axes, as the -outMap file writes them.

    ``axes`` is (..., 3) unit vectors. Returns (points, opposite), each (..., 2): longitude times
    cos(latitude) and latitude in radians (the sinusoidal equal-area projection) of each axis and
    of its opposite direction.
    """
    a = np.asarray(axes, dtype=np.float64)
    lat = _PI / 2 - np.arccos(np.clip(a[..., 2], -1.0, 1.0))
    lon = np.arctan2(a[..., 1], a[..., 0])
    # Half a turn away; on the prime meridian that is the date line, at a pole it stays 0.
    opp = np.where(lon > 0, lon - _PI, np.where(lon < 0, lon + _PI, 0.0))
    opp = np.where((lon == 0) & ((a[..., 0] != 0) | (a[..., 1] != 0)), _PI, opp)
    points = np.stack([lon * np.cos(lat), lat], axis=-1)
    opposite = np.stack([opp * np.cos(lat), -lat], axis=-1)
    return points, opposite
