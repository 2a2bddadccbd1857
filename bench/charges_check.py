#!/usr/bin/python3
"""Charge-aware alignment of ubiquitin, computed independently of the C++ code.

Every step is written here from the model itself, in numpy and scipy: the surface atoms (a
Shrake-Rupley surface with the program's radii and threshold), the orientations (a Fibonacci
sphere times turns about the director), the steric grid of the wall and the rod, the charges at
pH ~6.5, the screened potentials (scipy's K0), the electrostatic excess of every orientation
(composite Simpson over the position, not the closed form or the quadrature of the program),
the Saupe matrix and the predicted couplings. Its numbers are the expectations for the
program's charge-aware runs.

Usage: /usr/bin/python3 bench/charges_check.py [--korva build/korva] [--dirs 2252] [--psi 18]
       [--dot 2000] [--debye 10] [--plot curves.png] [--spec-frames]
(Debian's python3-numpy, python3-scipy and, for --plot, python3-matplotlib; about a minute.)
With --korva, the surface atoms are the program's own: the atoms within 0.02 of the area
threshold, which its coarser numerical surface may decide differently, are varied until a run
with -nosurf on the chosen atoms alone prints the Saupe vector of the program's full run; and
the steric results are printed beside the program's.
"""

import argparse
import itertools
import os
import subprocess
import tempfile

import numpy as np
import scipy.special as sp

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PDB = os.path.join(ROOT, "examples", "ubiquitin-2mjb.pdb")
TABLES = {
    "pf1 N-H": "ubiquitin-nh-pf1.tab",
    "pf1 CA-HA": "ubiquitin-caha-pf1.tab",
    "squalamine N-H": "ubiquitin-nh-squalamine.tab",
    "medium-A N-H": "ubiquitin-nh-bicelle.tab",
    "medium-A CA-HA": "ubiquitin-caha-bicelle.tab",
}

# The program's defaults: concentration, q ratio, liquid-crystal order, grid step, atom radius 0.
WV, Q_RATIO, LC_ORDER, GRID = 0.05, 3.0, 0.8, 0.2
WALL_RM, ROD_RM = 20.0, 33.5
PROBE = 1.4
GAMMA = {"H": 267519808.0, "C": 67283000.0, "N": -27116000.0}
DIPOLAR = 3.356809e-12  # Hz for gamma in rad/(s T) and r in A
BOND = {("N", "H"): 1.042, ("CA", "HA"): 1.119}


def read_pdb(path):
    atoms = []
    for line in open(path):
        if not line.startswith("ATOM"):
            continue
        atoms.append(dict(name=line[12:16].strip(), res=line[17:21].strip(), chain=line[21],
                          resid=int(line[22:26]),
                          xyz=np.array([float(line[30:38]), float(line[38:46]),
                                        float(line[46:54])])))
    return atoms


def is_hydrogen(name):
    return name[0] == "H" or (name[0] in "123" and name[1:2] == "H")


def vdw(name):
    return 1.9 if name[0] in "CF" else 1.8 if name[0] in "NPS" else 1.4


def sphere(n):
    """n nearly uniform unit vectors on a Fibonacci spiral."""
    k = np.arange(n) + 0.5
    z = 1.0 - 2.0 * k / n
    phi = k * np.pi * (3.0 - np.sqrt(5.0))
    r = np.sqrt(1.0 - z * z)
    return np.stack([r * np.cos(phi), r * np.sin(phi), z], axis=1)


def surface_atoms(atoms, ndots=4000):
    """Heavy atoms whose accessible area exceeds half their bare sphere, and their namesakes;
    also the relative area of every heavy atom's (residue, name)."""
    heavy = [a for a in atoms if not is_hydrogen(a["name"])]
    c = np.array([a["xyz"] for a in heavy])
    vr = np.array([vdw(a["name"]) for a in heavy])
    R = vr + PROBE
    dots = sphere(ndots)
    relative = {}
    for i in range(len(heavy)):
        d = np.linalg.norm(c - c[i], axis=1)
        nb = np.where((d < R + R[i]) & (np.arange(len(heavy)) != i))[0]
        pts = c[i] + R[i] * dots
        buried = np.zeros(ndots, bool)
        for j in nb:
            buried |= np.sum((pts - c[j]) ** 2, axis=1) < R[j] ** 2
        relative[(heavy[i]["resid"], heavy[i]["name"])] = (1.0 - buried.mean()) * (R[i] / vr[i]) ** 2
    return heavy, relative


def select(heavy, keys):
    return [a for a in heavy if (a["resid"], a["name"]) in keys]


def write_pdb(path, keys):
    with open(path, "w") as f:
        for line in open(PDB):
            if line.startswith("ATOM") and (int(line[22:26]), line[12:16].strip()) in keys:
                f.write(line)


def program_selection(korva, heavy, relative, margin=0.02):
    """The program's surface atoms: its numerical surface (fewer dots) may decide the atoms
    within `margin` of the threshold otherwise; the variant whose run with -nosurf prints the
    program's own Saupe vector is its selection."""
    own = {k for k, v in relative.items() if v > 0.5}
    near = sorted((k for k, v in relative.items() if abs(v - 0.5) < margin),
                  key=lambda k: abs(relative[k] - 0.5))
    full = korva_run(korva, ["-pdb", PDB])["S"]
    with tempfile.TemporaryDirectory() as tmp:
        sub = os.path.join(tmp, "surface.pdb")
        for size in range(len(near) + 1):
            for flip in itertools.combinations(near, size):
                keys = own.symmetric_difference(flip)
                write_pdb(sub, keys)
                if korva_run(korva, ["-pdb", sub, "-nosurf"])["S"] == full:
                    return keys, flip
    return None, None


def spec_frames(ndirs, npsi):
    """The same directors turned as the program turns its orientation points: the rows of
    R = Rz(psi) Ry(theta) Rz(phi) with phi and theta the director's angles, psi in npsi steps."""
    rows = []
    for px, py, pz in sphere(ndirs):
        phi = np.arctan2(py, px)
        theta = np.pi / 2 - np.arctan2(pz, np.hypot(px, py))
        ct, st, cf, sf = np.cos(theta), np.sin(theta), np.cos(phi), np.sin(phi)
        for k in range(npsi):
            psi = 2.0 * np.pi * k / npsi
            c, s = np.cos(psi), np.sin(psi)
            rows.append(([c * ct * cf - s * sf, c * ct * sf + s * cf, -c * st],
                         [-s * ct * cf - c * sf, -s * ct * sf + c * cf, s * st],
                         [st * cf, st * sf, ct]))
    r = np.array(rows)
    return r[:, 2], r[:, 0], r[:, 1]


def frames(ndirs, npsi):
    """Directors u and the two axes across them (r1, r2) of every orientation."""
    u = sphere(ndirs)
    helper = np.where(np.abs(u[:, 2:3]) < 0.9, [[0.0, 0.0, 1.0]], [[1.0, 0.0, 0.0]])
    e1 = np.cross(u, helper)
    e1 /= np.linalg.norm(e1, axis=1, keepdims=True)
    e2 = np.cross(u, e1)
    psi = 2.0 * np.pi * np.arange(npsi) / npsi
    cp, spsi = np.cos(psi)[None, :, None], np.sin(psi)[None, :, None]
    r1 = (cp * e1[:, None] + spsi * e2[:, None]).reshape(-1, 3)
    r2 = (-spsi * e1[:, None] + cp * e2[:, None]).reshape(-1, 3)
    return np.repeat(u, npsi, axis=0), r1, r2


def saupe_elements(u):
    ux, uy, uz = u.T
    return np.stack([(3 * uz * uz - 1) / 2, 1.5 * (ux * ux - uy * uy), 1.5 * ux * uy,
                     1.5 * ux * uz, 1.5 * uy * uz], axis=1)


def charges(atoms):
    """(position, charge) of the ionised groups at pH ~6.5 over all atoms."""
    side = {("LYS", "NZ"): 1.0, ("ARG", "CZ"): 1.0, ("ASP", "CG"): -1.0, ("GLU", "CD"): -1.0,
            ("HIS", "ND1"): 0.05, ("HIS", "NE2"): 0.05}
    first = min(a["resid"] for a in atoms)
    last = max(a["resid"] for a in atoms)
    out = []
    for a in atoms:
        q = side.get((a["res"], a["name"]), 0.0)
        if a["resid"] == first and a["name"] == "N":
            q += 1.0
        if a["resid"] == last and a["name"] == "C":
            q -= 1.0
        if q:
            out.append((a["xyz"], q))
    return np.array([p for p, _ in out]), np.array([q for _, q in out])


def wall_half_spacing():
    d = 1000.0 * WV / (677.94 * Q_RATIO + 453.51)
    f = 5.0 if WV >= 0.01 else 0.0
    w = (677.94 * Q_RATIO * d + 453.51 * (d - f / 1000.0)) / 1000.0
    return WALL_RM / w


def steric(model, xyz, r1, r2):
    """Per orientation: the steric weight (free grid positions, times p/rM for the rod), the
    contact position (first free position after the last blocked one), and the normaliser Z0,
    the cell end and the position table."""
    d = np.linalg.norm(xyz, axis=1)
    r_in, r_out = d.min(), d.max()
    rM = WALL_RM if model == "wall" else ROD_RM
    npos = int((r_out - r_in) / GRID)
    base = r_in + rM
    pos = base + GRID * np.arange(npos + 1)
    xp = r1 @ xyz.T
    n = len(r1)
    if model == "wall":
        h = wall_half_spacing()
        nfree = int((h - pos[-1]) / GRID)
        first = np.searchsorted(pos, rM - xp.min(axis=1), side="right")
        w = (npos + 1 - first) + nfree
        z0 = nfree + int((npos + 1 - first).sum() // n)
        return w.astype(float), base + GRID * first, z0, h
    yp = r2 @ xyz.T
    cell = rM / np.sqrt(WV / 1.46) - rM
    # The table goes on past the molecule until the first position beyond the cell's edge.
    tail = []
    while pos[-1] <= cell and (not tail or tail[-1] <= cell):
        tail.append(pos[-1] + GRID * (len(tail) + 1))
    tail = np.array(tail)
    half = np.sqrt(np.clip(rM * rM - yp * yp, 0.0, None))
    reach = np.abs(yp) <= rM
    lo, hi = -xp - half, -xp + half
    blocked = np.zeros((n, npos + 1), bool)
    for i, p in enumerate(pos):
        blocked[:, i] = np.any(reach & (lo <= p) & (p <= hi), axis=1)
    w = (~blocked * (pos / rM)).sum(axis=1) + (tail / rM).sum()
    last = np.where(blocked.any(axis=1), npos - np.argmax(blocked[:, ::-1], axis=1), -1)
    ncell = int(cell / GRID)
    z0 = int(ncell + 0.5 * ncell * (ncell + 1) * GRID / rM)
    return w, base + GRID * (last + 1), z0, cell


def simpson_nodes(a, b, intervals):
    """Composite Simpson nodes s in [0, 1] and weights for an integral over [a, b] per row."""
    s = np.linspace(0.0, 1.0, intervals + 1)
    w = np.ones(intervals + 1)
    w[1:-1:2], w[2:-1:2] = 4.0, 2.0
    w /= 3.0 * intervals
    return a[:, None] + (b - a)[:, None] * s, (b - a)[:, None] * w


def excess(model, debye, y0s, pc, pend, nproj, mproj, q, chunk=100):
    """X(o) for every y0 in y0s: (1/g) integral_pc^pend (exp(-beta E) - 1) mu dp by composite
    Simpson in t = kappa (p - pc) on [0, 2], [2, 10] and [10, T], dense near contact."""
    kappa = 1.0 / debye
    rM = WALL_RM if model == "wall" else ROD_RM
    k0ref = sp.k0e(kappa * rM)
    X = np.zeros((len(pc), len(y0s)))
    for s0 in range(0, len(pc), chunk):
        sl = slice(s0, s0 + chunk)
        T = kappa * (pend - pc[sl])
        nodes, weights = [], []
        for a, b, m in ((0.0, 2.0, 200), (2.0, 10.0, 160), (10.0, None, 60)):
            lo = np.minimum(a, T)
            hi = np.minimum(b, T) if b is not None else T
            t, w = simpson_nodes(lo, hi, m)
            nodes.append(t)
            weights.append(w)
        t = np.concatenate(nodes, axis=1)
        w = np.concatenate(weights, axis=1) / kappa  # dp = dt / kappa
        p = pc[sl, None] + t / kappa
        ps = p[:, :, None]
        if model == "wall":
            h = np.maximum(ps + nproj[sl, None, :] - rM, 0.0)
            rho = np.exp(-kappa * h)
            mu = np.ones_like(p)
        else:
            r = np.maximum(np.hypot(ps + nproj[sl, None, :], mproj[sl, None, :]), rM)
            x = kappa * r
            rho = sp.k0e(x) / k0ref * np.exp(kappa * rM - x)
            mu = p / rM
        e1 = rho @ q  # beta E per unit of y0
        for k, y0 in enumerate(y0s):
            X[sl, k] = (np.expm1(-y0 * e1) * mu * w).sum(axis=1) / GRID
    return X


def wall_closed_form(debye, y0, pc, pend, nproj, q):
    """The wall's X from F(b) = integral_0^b (e^-s - 1)/s ds, for orientations whose charges all
    lie above the wall at contact (scipy's E1 and Ei)."""
    kappa = 1.0 / debye
    a = y0 * (q * np.exp(-kappa * (pc[:, None] + nproj - WALL_RM))).sum(axis=1)
    a2 = a * np.exp(-kappa * (pend - pc))

    def F(b):
        out = np.zeros_like(b)
        pos, neg = b > 0, b < 0
        out[pos] = -(sp.exp1(b[pos]) + np.log(b[pos]) + np.euler_gamma)
        out[neg] = sp.expi(-b[neg]) - np.log(-b[neg]) - np.euler_gamma
        return out

    return (F(a) - F(a2)) / (kappa * GRID)


def read_table(path, atoms):
    index = {(a["resid"], a["name"]): a["xyz"] for a in atoms}
    rows = []
    for line in open(path):
        w = line.split()
        if len(w) < 7 or not w[0].lstrip("-").isdigit():
            continue
        i, j = (int(w[0]), w[2]), (int(w[3]), w[5])
        if i in index and j in index:
            rows.append((index[i], index[j], w[2], w[5], float(w[6])))
    return rows


def predict(saupe, rows):
    szz, d, sxy, sxz, syz = saupe
    S = np.array([[(-szz + d) / 2, sxy, sxz], [sxy, (-szz - d) / 2, syz], [sxz, syz, szz]])
    pred, meas = [], []
    for xi, xj, ni, nj, D in rows:
        v = xj - xi
        c = v / np.linalg.norm(v)
        r = BOND.get((ni, nj)) or BOND.get((nj, ni)) or np.linalg.norm(v)
        di = abs(GAMMA[ni[0]] * GAMMA[nj[0]]) * DIPOLAR / r ** 3
        pred.append(di * c @ S @ c)
        meas.append(D)
    return np.array(pred), np.array(meas)


def stats(saupe, rows):
    p, m = predict(saupe, rows)
    r = np.corrcoef(p, m)[0, 1]
    q = np.sqrt(max(0.0, 1.0 - (p @ m) ** 2 / ((p @ p) * (m @ m))))  # after the best scale
    return r, q


def korva_run(korva, args):
    out = subprocess.run([korva] + args, capture_output=True, text=True).stdout
    vals = {}
    for line in out.splitlines():
        if line.startswith("DATA SAUPE"):
            vals["S"] = [float(v) for v in line.split()[2:]]
        if line.startswith("DATA CORR R"):
            vals["R"] = float(line.split()[-1])
    return vals


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--korva", help="the program, to check the surface atoms and steric runs")
    ap.add_argument("--dirs", type=int, default=2252, help="directors (2252: as -dot 2000)")
    ap.add_argument("--dot", type=int, default=2000, help="the program's -dot beside them")
    ap.add_argument("--psi", type=int, default=18)
    ap.add_argument("--debye", type=float, default=10.0)
    ap.add_argument("--plot", help="PNG file for the curves of R against y0")
    ap.add_argument("--spec-frames", action="store_true",
                    help="turn each director as the program does (for a test that hands the "
                         "same directors to the simulation)")
    args = ap.parse_args()

    atoms = read_pdb(PDB)
    heavy, relative = surface_atoms(atoms)
    keys = {k for k, v in relative.items() if v > 0.5}
    print(f"surface atoms (Shrake-Rupley, 4000 dots per atom): {len(select(heavy, keys))}")
    if args.korva:
        found, flip = program_selection(args.korva, heavy, relative)
        if found is None:
            print("the program's selection is not among the near-threshold variants; own kept")
        else:
            keys = found
            print(f"program's selection: {len(select(heavy, keys))} atoms, differing in "
                  + (", ".join(f"{r} {n} ({relative[(r, n)]:.3f})" for r, n in flip) or
                     "nothing"))
    surf = select(heavy, keys)
    xyz = np.array([a["xyz"] for a in surf])
    centre = xyz.mean(axis=0)
    xyz = xyz - centre
    qpos, q = charges(atoms)
    qpos = qpos - centre
    print(f"charge sites: {len(q)}, net {q.sum():+.2f} e, absolute {np.abs(q).sum():.2f} e")
    u, r1, r2 = (spec_frames if args.spec_frames else frames)(args.dirs, args.psi)
    s = saupe_elements(u)
    dev = s - s.mean(axis=0)
    n = len(u)
    print(f"orientations: {n} ({args.dirs} directors x {args.psi} turns), Debye length "
          f"{args.debye} A")
    tables = {k: read_table(os.path.join(ROOT, "examples", v), atoms) for k, v in TABLES.items()}

    y0s = np.unique(np.concatenate([np.arange(-10.0, 10.01, 0.5), [4.25, -4.5]]))
    results = {}
    for model in ("wall", "rod"):
        w, pc, z0, pend = steric(model, xyz, r1, r2)
        nproj, mproj = qpos @ r1.T, qpos @ r2.T
        X = excess(model, args.debye, y0s, pc, pend, nproj.T, mproj.T, q)
        if model == "wall":
            clear = (pc[:, None] + nproj.T - WALL_RM).min(axis=1) >= 0.0
            k = int(np.argmin(np.abs(y0s - 4.25)))
            cf = wall_closed_form(args.debye, y0s[k], pc[clear], pend, nproj.T[clear], q)
            dev_cf = np.max(np.abs(cf - X[clear, k]) / np.maximum(np.abs(cf), 1e-12))
            print(f"wall: closed form against Simpson at y0 = 4.25 on {clear.sum()} of {n} "
                  f"orientations (all charges above the wall): max relative deviation "
                  f"{dev_cf:.1e}")
        for k, y0 in enumerate(y0s):
            Wt = w + X[:, k]
            saupe = -LC_ORDER * (Wt @ dev) / n / (z0 + X[:, k].mean())
            frac = X[:, k].mean() / (z0 + X[:, k].mean())
            results[(model, y0)] = (saupe, frac)

    program_orientations = ["-dot", str(args.dot), "-digPsi", str(args.psi)]
    print("\nsteric (y0 = 0): Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) and R per table")
    for model in ("wall", "rod"):
        saupe = results[(model, 0.0)][0]
        print(f"  {model}: " + " ".join(f"{v: .4e}" for v in saupe))
        if args.korva:
            ref = korva_run(args.korva, ["-pdb", PDB] + program_orientations +
                            (["-pf1"] if model == "rod" else []))["S"]
            print(f"  {model} (program, {' '.join(program_orientations)}): " +
                  " ".join(f"{v: .4e}" for v in ref))
        for name, rows in tables.items():
            r, qf = stats(saupe, rows)
            line = f"    {name:16s} R {r:6.3f}  Q {qf:5.3f}"
            if args.korva:
                ext = ["-pf1"] if model == "rod" else []
                kr = korva_run(args.korva, ["-pdb", PDB, "-inD", os.path.join(
                    ROOT, "examples", TABLES[name])] + program_orientations + ext)["R"]
                line += f"   (program: R {kr:.3f})"
            print(line)

    print(f"\ncharge-aware, L_D = {args.debye} A")
    for model, y0, names in (("rod", -4.5, ["pf1 N-H", "pf1 CA-HA"]),
                             ("wall", 4.25, ["squalamine N-H"])):
        saupe, frac = results[(model, y0)]
        print(f"  {model} y0 = {y0:+.2f}: Saupe " + " ".join(f"{v: .6e}" for v in saupe) +
              f", electrostatic fraction {frac:.5f}")
        for name in names:
            r, qf = stats(saupe, tables[name])
            print(f"    {name:16s} R {r:6.3f}  Q {qf:5.3f}")

    print("\nR (and Q after the best scale) against y0")
    curves = (("rod", "pf1 N-H"), ("rod", "pf1 CA-HA"), ("wall", "squalamine N-H"),
              ("wall", "medium-A N-H"), ("wall", "medium-A CA-HA"))
    print("   y0  " + "".join(f"{m + ' ' + t:>26s}" for m, t in curves) + "   fraction rod/wall")
    for y0 in y0s:
        cells = []
        for model, name in curves:
            r, qf = stats(results[(model, y0)][0], tables[name])
            cells.append(f"{r:18.3f} ({qf:5.3f})")
        print(f"{y0:6.2f} " + "".join(cells) +
              f"   {results[('rod', y0)][1]:.3f}/{results[('wall', y0)][1]:.3f}")
    for model, name in curves:
        rs = [stats(results[(model, y0)][0], tables[name])[0] for y0 in y0s]
        qs = [stats(results[(model, y0)][0], tables[name])[1] for y0 in y0s]
        print(f"  {model} {name}: largest R {max(rs):.3f} at y0 = {y0s[int(np.argmax(rs))]:+.2f}"
              f"; smallest Q {min(qs):.3f} at y0 = {y0s[int(np.argmin(qs))]:+.2f}")
    if args.plot:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        fig, ax = plt.subplots(figsize=(6.4, 4.0))
        for model, name in curves:
            rs = [stats(results[(model, y0)][0], tables[name])[0] for y0 in y0s]
            ax.plot(y0s, rs, label=f"{name} ({model})")
        ax.set_xlabel("surface potential y0 (kT/e)")
        ax.set_ylabel("R, predicted against measured")
        ax.set_title(f"ubiquitin, L_D = {args.debye:g} A, {n} orientations")
        ax.axvline(0.0, color="grey", lw=0.5)
        ax.legend(fontsize=8)
        fig.tight_layout()
        fig.savefig(args.plot, dpi=100)


if __name__ == "__main__":
    main()
