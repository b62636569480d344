"""Shared pieces of the Python package's tests: the built tool, the shared
graphs and a reader of graph files independent of the package."""

import os
import subprocess

import numpy as np
import pytest

SHARED = os.environ.get("PLYXEN_SHARED_GRAPHS", "")
TOOL = os.environ.get("PLYXEN_TOOL", "")
SOURCE = os.environ.get("PLYXEN_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))

SHARED_NAMES = ["airfoil1", "power", "4elt", "delaunay_n15", "plate2d", "bracket3d"]


def shared_graph(name):
    path = os.path.join(SHARED, name + ".grf")
    if not SHARED or not os.path.exists(path):
        pytest.skip(f"shared graph {name} absent")
    return path


def require_tool():
    if not TOOL or not os.access(TOOL, os.X_OK):
        pytest.skip("the built plyxen tool is not known (PLYXEN_TOOL)")
    return TOOL


def parse_graph_file(path):
    """(indptr, indices) from 0 of a graph file without labels or loads, in the file's arc order."""
    with open(path) as stream:
        numbers = np.array(stream.read().split(), dtype=np.int64)
    assert numbers[0] == 0
    n, base, properties = int(numbers[1]), int(numbers[3]), int(numbers[4])
    assert properties == 0, "labels and loads are not read here"
    indptr = np.zeros(n + 1, dtype=np.int32)
    indices = []
    at = 5
    for vertex in range(n):
        degree = int(numbers[at])
        indices.append(numbers[at + 1:at + 1 + degree] - base)
        at += 1 + degree
        indptr[vertex + 1] = indptr[vertex] + degree
    return indptr, np.concatenate(indices).astype(np.int32) if indices else np.zeros(0, np.int32)


def canonical_arrays(A):
    """Sorted CSR arrays of the pattern of A + A^T without the diagonal, computed with SciPy alone."""
    import scipy.sparse as sp
    pattern = sp.csr_matrix(A != 0).astype(np.int8)
    graph = (pattern + pattern.T).tolil()
    graph.setdiag(0)
    graph = graph.tocsr()
    graph.eliminate_zeros()
    graph.sort_indices()
    return graph.indptr.astype(np.int32), graph.indices.astype(np.int32)


def run_tool(*arguments):
    result = subprocess.run([require_tool(), *arguments], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result.stdout


def tool_ordering(graph_path, folder, extra=()):
    """Positions (from 0) that the tool's ordering file gives, by vertex (from 0), and its --stats figures;
    by default with the tool's default strategy, that of plyxen.DEFAULT_STRATEGY."""
    order_path = os.path.join(str(folder), "tool.ord")
    output = run_tool("order", str(graph_path), "-o", order_path, "--stats", *extra)
    figures = dict(item.split("=") for item in output.split())
    with open(order_path) as stream:
        numbers = np.array(stream.read().split(), dtype=np.int64)
    n = int(numbers[0])
    pairs = numbers[1:].reshape(n, 2)
    positions = np.empty(n, dtype=np.int64)
    first = pairs[:, 0].min() if n else 0  # the graph's base
    positions[pairs[:, 0] - first] = pairs[:, 1] - first
    return positions, figures
