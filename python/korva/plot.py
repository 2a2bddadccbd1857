"""Plots of KORVA results with matplotlib: observed against predicted couplings, the principal
axes of an error map on an equal-area world map, and the Saupe elements of an ensemble.

Each function takes a result of the module or what korva.reports.read gave for a file, draws on
``ax`` (a new figure when None) and returns the figure; ``save(figure, path)`` writes SVG (text
kept as text) or PNG. From the shell::

    python3 -m korva.plot report.tab -o correlation.svg
    python3 -m korva.plot map.txt -o map.png

tells a report, a world-map file of -outMap and a batch table apart by their content.
"""

import argparse
import sys

import matplotlib
import numpy as np
from matplotlib.figure import Figure

from . import reports

AXIS_COLOURS = {"z": "tab:blue", "y": "tab:green", "x": "tab:red"}
SAUPE_NAMES = ["Szz", "Sxx-Syy", "Sxy", "Sxz", "Syz"]
_PI = 3.14159265  # the program's value, as in its map files


def _axes(ax, size=(5.5, 5.0)):
    if ax is not None:
        return ax.figure, ax
    figure = Figure(figsize=size)
    return figure, figure.add_subplot()


def _couplings_of(source):
    """(types, observed, predicted, statistics text) of a Result or a report."""
    if isinstance(source, dict):
        cols, data = source["columns"], source["data"]
        types = [f"{i}-{j}" for i, j in zip(cols["ATOMNAME_I"], cols["ATOMNAME_J"])]
        stats = {key: data.get(name, ["?"])[0]
                 for key, name in (("R", "CORR R"), ("Q", "MERIDOVANT Q"), ("N", "N"))}
        return types, np.asarray(cols["D_OBS"]), np.asarray(cols["D"]), stats
    types = [f"{p.coupling.atom_i}-{p.coupling.atom_j}" for p in source.couplings]
    s = source.statistics
    stats = {"R": f"{s.r:.3f}", "Q": f"{s.q:.3f}", "N": str(s.n)}
    return types, source.observed, source.predicted, stats


def correlation(source, ax=None, title=None):
    """Observed against predicted couplings, one colour per coupling type, with the diagonal;
    the legend gives R, Q and N. ``source``: a Result, a CouplingComparison or a read report."""
    figure, ax = _axes(ax)
    types, observed, predicted, stats = _couplings_of(source)
    types = np.asarray(types)
    # Unset values (999 and above) are not couplings to show.
    shown = (np.abs(observed) < 999) & (np.abs(predicted) < 999)
    for kind in dict.fromkeys(types[shown]):
        pick = shown & (types == kind)
        ax.plot(observed[pick], predicted[pick], "o", markersize=4, linestyle="none",
                label=f"{kind} ({pick.sum()})", gid=f"points-{kind}")
    values = np.concatenate([observed[shown], predicted[shown]]) if shown.any() else np.zeros(1)
    edge = max(1.0, 1.05 * float(np.max(np.abs(values))))
    ax.plot([-edge, edge], [-edge, edge], color="0.5", linewidth=0.8, zorder=0)
    ax.set_xlim(-edge, edge)
    ax.set_ylim(-edge, edge)
    ax.set_aspect("equal")
    ax.set_xlabel("observed coupling (Hz)")
    ax.set_ylabel("predicted coupling (Hz)")
    ax.legend(title=f"R = {stats['R']}  Q = {stats['Q']}  N = {stats['N']}", loc="upper left",
              fontsize="small")
    if title:
        ax.set_title(title)
    return figure


def _map_points(source):
    """(steps, 2, 3, 2) world-map points of an ErrorMap, a read map file or such an array."""
    if isinstance(source, dict):
        return source["points"]
    if hasattr(source, "axes"):
        from . import world_map_points
        points, opposite = world_map_points(source.axes)
        return np.stack([points, opposite], axis=1)
    return np.asarray(source, dtype=np.float64).reshape(-1, 2, 3, 2)


def world_map(source, ax=None, title=None):
    """The principal axes of an error-space map, each step's z, y and x axes and their opposite
    directions, on the sinusoidal equal-area world map of the -outMap file (longitude times
    cos(latitude) against latitude). ``source``: an ErrorMap, a read map file or its points."""
    figure, ax = _axes(ax, (8.0, 4.4))
    points = _map_points(source)
    lat = np.linspace(-_PI / 2, _PI / 2, 181)
    for lon in np.radians(np.arange(-180, 181, 30)):
        ax.plot(lon * np.cos(lat), lat, color="0.85", linewidth=0.6, zorder=0)
    for parallel in np.radians(np.arange(-60, 61, 30)):
        half = _PI * np.cos(parallel)
        ax.plot([-half, half], [parallel, parallel], color="0.85", linewidth=0.6, zorder=0)
    ax.plot(np.concatenate([_PI * np.cos(lat), -_PI * np.cos(lat[::-1]), [_PI * np.cos(lat[0])]]),
            np.concatenate([lat, lat[::-1], [lat[0]]]), color="0.3", linewidth=1.0)
    for k, name in enumerate("zyx"):
        xy = points[:, :, k, :].reshape(-1, 2)
        ax.plot(xy[:, 0], xy[:, 1], ".", markersize=3, linestyle="none",
                color=AXIS_COLOURS[name], label=f"{name} axis", gid=f"axis-{name}")
    ax.set_xlim(-_PI * 1.02, _PI * 1.02)
    ax.set_ylim(-_PI / 2 * 1.04, _PI / 2 * 1.04)
    ax.set_aspect("equal")
    ax.set_xticks(np.radians([-180, -90, 0, 90, 180]), ["-180°", "-90°", "0°", "90°", "180°"])
    ax.set_yticks(np.radians([-90, -45, 0, 45, 90]), ["-90°", "-45°", "0°", "45°", "90°"])
    ax.set_xlabel("longitude · cos(latitude)")
    ax.set_ylabel("latitude")
    ax.legend(title=f"{len(points)} steps", loc="lower left", fontsize="small")
    if title:
        ax.set_title(title)
    return figure


def _saupe_rows(source):
    """(labels, (n, 5) Saupe elements) of a batch table, a sequence of Results or Tensors, or an
    (n, 5) array."""
    if isinstance(source, dict):
        cols = source["columns"]
        names = [f"{n}:{int(f)}" for n, f in zip(cols["NAME"], cols["FRAME"])]
        return names, np.column_stack([cols[c] for c in ("SZZ", "SXX_SYY", "SXY", "SXZ", "SYZ")])
    rows = [getattr(r, "saupe", r) for r in source]
    return [str(k + 1) for k in range(len(rows))], np.asarray(rows, dtype=np.float64)


def ensemble(source, ax=None, title=None, xlabel="model or frame"):
    """The five Saupe elements of each model or frame, one line each, with their means dashed.
    ``source``: a batch table, a sequence of Results or Tensors, or an (n, 5) array."""
    figure, ax = _axes(ax, (8.0, 4.4))
    labels, saupe = _saupe_rows(source)
    x = np.arange(1, len(saupe) + 1)
    for k, name in enumerate(SAUPE_NAMES):
        line, = ax.plot(x, saupe[:, k], "o-", markersize=3, linewidth=0.8, label=name,
                        gid=f"saupe-{k + 1}")
        ax.axhline(saupe[:, k].mean(), color=line.get_color(), linestyle="--", linewidth=0.6)
    if len(labels) <= 25:
        ax.set_xticks(x, labels, rotation=90 if len(labels) > 10 else 0, fontsize="small")
    ax.set_xlabel(xlabel)
    ax.set_ylabel("Saupe element")
    ax.ticklabel_format(axis="y", style="sci", scilimits=(-3, 3))
    ax.legend(loc="upper right", fontsize="small", ncol=5)
    if title:
        ax.set_title(title)
    return figure


def save(figure, path):
    """Writes the figure (format from the name's ending); SVG keeps its texts as text and carries
    no date, so that the same plot gives the same file."""
    svg = str(path).endswith(".svg")
    with matplotlib.rc_context({"svg.fonttype": "none", "svg.hashsalt": "korva"}):
        figure.tight_layout()
        figure.savefig(path, metadata={"Date": None} if svg else None, dpi=150)


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m korva.plot",
        description="Plots a KORVA report (observed against predicted couplings), a world-map "
        "file of -outMap (principal axes) or a korva.batch table (Saupe elements per frame).")
    parser.add_argument("file", help="report, map file or batch table")
    parser.add_argument("-o", "--output", required=True, help="the plot: NAME.svg or NAME.png")
    parser.add_argument("--title", help="title of the plot")
    args = parser.parse_args(argv)
    if not args.output.endswith((".svg", ".png")):
        parser.error(f"-o {args.output}: the name must end in .svg or .png")
    try:
        content = reports.read(args.file)
    except (OSError, ValueError) as err:
        print(f"korva.plot: {err}", file=sys.stderr)
        return 1
    draw = {"report": correlation, "map": world_map, "batch": ensemble}[content["kind"]]
    save(draw(content, title=args.title), args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
