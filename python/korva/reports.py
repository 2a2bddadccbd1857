"""Reading what KORVA writes: reports, world-map files of -outMap and batch tables.

``read(path)`` tells the kind by content and returns a dict with "kind" set to "report", "map"
or "batch". A report (and a batch table) is the program's table format: DATA and REMARK header
lines, a VARS line naming the columns, a FORMAT line, and one row per line.
"""

import numpy as np

_HEADER_WORDS = {"REMARK", "FORMAT", "VARS", "TOLERANCE", "NULLSTRING", "NULLVALUE", "DATA", "END"}


def _is_row(words):
    return bool(words) and words[0].upper() not in _HEADER_WORDS and not words[0].startswith("#")


def read_table(text):
    """The table format: {"data": {key: [words]}, "columns": {name: array or list}}.

    A DATA line's key is its words up to the first number, joined by blanks ("SAUPE",
    "CORR R", "EIGENVECTORS XAXIS"); its value the words after. Integer and real columns become
    float arrays, text columns lists of texts.
    """
    data, names, formats, rows = {}, None, None, []
    for line in text.splitlines():
        words = line.split()
        if not words:
            continue
        head = words[0]
        if head == "VARS" and names is None:
            names = words[1:]
        elif head == "FORMAT" and formats is None:
            formats = words[1:]
        elif head.upper() == "DATA":
            k = 1
            while k < len(words) and not _is_number(words[k]):
                k += 1
            data[" ".join(words[1:k])] = words[k:]
        elif _is_row(words):
            rows.append(words)
    columns = {}
    if names:
        formats = formats or ["%f"] * len(names)
        for k, name in enumerate(names):
            values = [r[k] if k < len(r) else "" for r in rows]
            if formats[k].endswith("s"):
                columns[name] = values
            else:
                columns[name] = np.array([_number(v) for v in values], dtype=np.float64)
    return {"data": data, "columns": columns}


def _is_number(word):
    try:
        float(word)
        return True
    except ValueError:
        return False


def _number(word):
    try:
        return float(word)
    except ValueError:
        return float("nan")


def read_map(text):
    """A world-map file of -outMap: (steps, 2, 3, 2), per counted step the points of the z, y and
    x axes and of their opposite directions, (x, y) each, radians."""
    values = [[float(w) for w in line.split()] for line in text.splitlines() if line.strip()]
    if not values or any(len(v) != 6 for v in values) or len(values) % 2:
        raise ValueError("not a world-map file: expected pairs of lines of six numbers")
    return np.array(values).reshape(-1, 2, 3, 2)


def read(path):
    """Reads a KORVA report, world-map file or batch table, telling the kind by content."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    first = next((line.split()[0] for line in text.splitlines() if line.split()), "")
    if _is_number(first):
        return {"kind": "map", "points": read_map(text)}
    table = read_table(text)
    columns = table["columns"]
    if "SZZ" in columns and "FRAME" in columns:
        return {"kind": "batch", **table}
    if "SAUPE" in table["data"] or "D_OBS" in columns:
        return {"kind": "report", **table}
    raise ValueError(f"{path}: neither a KORVA report, a world-map file nor a batch table")
