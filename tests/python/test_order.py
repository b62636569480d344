"""plyxen.order and plyxen.stats: the same orderings and figures as the
tool, whatever form the matrix comes in."""

import threading

import numpy as np
import pytest
import scipy.io
import scipy.sparse as sp

import plyxen
from conftest import SHARED_NAMES, parse_graph_file, shared_graph, tool_ordering


def assert_valid_ordering(ordering, n):
    perm, iperm, blocks = ordering
    assert perm.dtype == np.int32 and iperm.dtype == np.int32 and blocks.dtype == np.int32
    assert np.array_equal(np.sort(perm), np.arange(n))
    assert np.array_equal(iperm[perm], np.arange(n))
    assert blocks[0] == 0 and blocks[-1] == n
    assert np.all(np.diff(blocks) > 0) or n == 0


def nonzero_entries(A):
    B = A.tocsr(copy=True)
    B.eliminate_zeros()
    return B


def random_matrix(n, density, seed):
    """A nonsymmetric matrix with a diagonal, a few explicit zeros and negative values."""
    rng = np.random.default_rng(seed)
    A = sp.random(n, n, density=density, random_state=rng, format="csr")
    A.data -= 0.5
    A = (A + sp.eye(n, format="csr")).tocsr()
    A.data[rng.integers(0, A.nnz, 5)] = 0.0  # stored zeros do not count
    return A


@pytest.mark.parametrize("name", SHARED_NAMES)
def test_shared_graphs_order_as_with_the_tool(name, tmp_path):
    path = shared_graph(name)
    positions, figures = tool_ordering(path, tmp_path)
    indptr, indices = parse_graph_file(path)
    ordering = plyxen.order((indptr, indices))
    assert_valid_ordering(ordering, indptr.size - 1)
    assert np.array_equal(ordering.iperm, positions)
    assert int(figures["blocks"]) == ordering.blocks.size - 1
    figures_here = plyxen.stats((indptr, indices), ordering.perm)
    assert figures_here.nnzL == int(figures["nnzL"])
    assert figures_here.opc == float(figures["opc"])
    assert figures_here.height == int(figures["height"])


@pytest.mark.parametrize("seed", [1, 2])
def test_unseen_matrices_order_as_with_the_tool(seed, tmp_path):
    A = random_matrix(700 + 300 * seed, 0.004, seed)
    path = tmp_path / "matrix.mtx"
    scipy.io.mmwrite(str(path), nonzero_entries(A))  # stored zeros would count in a file
    positions, figures = tool_ordering(path, tmp_path)
    ordering = plyxen.order(A)
    assert np.array_equal(ordering.iperm, positions)
    assert plyxen.stats(A, ordering.perm).nnzL == int(figures["nnzL"])


def test_a_strategy_is_the_tools_strategy(tmp_path):
    A = random_matrix(400, 0.01, 3)
    path = tmp_path / "matrix.mtx"
    scipy.io.mmwrite(str(path), nonzero_entries(A))
    strategy = "n{sep=m{vert=50,low=h,asc=f},ole=f,ose=g}"
    positions, _ = tool_ordering(path, tmp_path, ("-s", strategy))
    ordering = plyxen.order(A, strategy)
    assert np.array_equal(ordering.iperm, positions)
    assert not np.array_equal(ordering.iperm, plyxen.order(A).iperm)


def every_format(A):
    formats = [A.tocsr(), A.tocsc(), A.tocoo(), A.tobsr(), A.todia(), A.tolil(), A.todok()]
    arrays = [sp.csr_array(A), sp.csc_array(A), sp.coo_array(A), sp.lil_array(A), sp.dok_array(A)]
    # Repeated coordinates and an integer dtype change nothing either.
    coo = A.tocoo()
    doubled = sp.coo_matrix((np.concatenate([coo.data, coo.data]),
                             (np.concatenate([coo.row, coo.row]), np.concatenate([coo.col, coo.col]))),
                            shape=A.shape)
    signs = sp.csr_matrix(np.sign(A.toarray()).astype(np.int8))
    transposed = A.T.tocsr()
    return formats + arrays + [doubled, signs, transposed, A.tobsr(blocksize=(2, 2))]


@pytest.mark.filterwarnings("ignore::scipy.sparse.SparseEfficiencyWarning")  # DIA of a random matrix
def test_every_format_gives_the_same_ordering():
    A = random_matrix(600, 0.006, 4)
    reference = plyxen.order(A)
    assert_valid_ordering(reference, 600)
    for form in every_format(A):
        ordering = plyxen.order(form)
        assert np.array_equal(ordering.perm, reference.perm), type(form).__name__
        assert np.array_equal(ordering.blocks, reference.blocks), type(form).__name__


def test_perm_reorders_the_matrix_as_scipy_indexes_it():
    # An arrow matrix whose hub is vertex 0: a fill-reducing ordering keeps
    # the hub until at most one other vertex is left, and then no fill.
    n = 30
    A = sp.lil_matrix((n, n))
    A.setdiag(4.0)
    A[0, 1:] = 1.0
    A[1:, 0] = 1.0
    A = A.tocsr()
    perm, iperm, _ = plyxen.order(A)
    assert iperm[0] >= n - 2 and perm[iperm[0]] == 0
    assert plyxen.stats(A, perm).nnzL == n - 1
    # Row k of A[perm][:, perm] is row perm[k] of A; vertex v moves to row iperm[v].
    B = random_matrix(200, 0.02, 8)
    perm, iperm, _ = plyxen.order(B)
    moved = sp.csr_matrix((np.ones(200), (iperm, np.arange(200))), shape=(200, 200))
    assert abs(B[perm][:, perm] - moved @ B @ moved.T).max() == 0


def test_stats_counts_the_factor_exactly():
    n = 40
    path = sp.diags([np.ones(n - 1), np.ones(n - 1)], [-1, 1], shape=(n, n), format="csr")
    natural = np.arange(n, dtype=np.int32)
    assert plyxen.stats(path, natural) == (n - 1, float(n - 1), n)
    # A star eliminated hub first fills completely; hub last, not at all.
    star = sp.lil_matrix((n, n))
    star[0, 1:] = 1.0
    hub_first = plyxen.stats(star, natural)
    assert hub_first.nnzL == n * (n - 1) // 2 and hub_first.height == n
    hub_last = plyxen.stats(star, np.roll(natural, -1))
    assert hub_last == (n - 1, float(n - 1), 2)


def test_small_and_empty_graphs():
    empty = plyxen.order(sp.csr_matrix((0, 0)))
    assert empty.perm.size == 0 and list(empty.blocks) == [0]
    assert plyxen.stats(sp.csr_matrix((0, 0)), []) == (0, 0.0, 0)
    diagonal = plyxen.order(sp.eye(5, format="csr"))
    assert_valid_ordering(diagonal, 5)
    assert plyxen.stats(sp.eye(5), diagonal.perm) == (0, 0.0, 1)
    single = plyxen.order((np.array([0, 0], np.int32), np.array([], np.int32)))
    assert list(single.perm) == [0]


def test_threads_order_as_one_thread_does():
    matrices = [random_matrix(1500, 0.003, seed) for seed in range(4)]
    expected = [plyxen.order(A).perm for A in matrices]
    results = {}

    def work(index):
        for round_ in range(3):
            results[(index, round_)] = plyxen.order(matrices[index]).perm

    threads = [threading.Thread(target=work, args=(index,)) for index in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for (index, _), perm in results.items():
        assert np.array_equal(perm, expected[index])
    assert len(results) == 12


def test_a_thread_cap_keeps_the_ordering():
    # An 80 x 80 grid: its parts are large enough for worker threads.
    grid = sp.kronsum(sp.diags([1, 1], [-1, 1], shape=(80, 80)), sp.diags([1, 1], [-1, 1], shape=(80, 80)))
    expected = plyxen.order(grid)
    for threads in (1, 3, np.int64(2)):
        ordering = plyxen.order(grid, threads=threads)
        assert np.array_equal(ordering.perm, expected.perm), threads
    # thrd=0 orders from one random sequence: a cap leaves it as it is.
    one_sequence = plyxen.RECOMMENDED_STRATEGY.replace("thrd=16", "thrd=0")
    assert np.array_equal(plyxen.order(grid, one_sequence, threads=4).perm, plyxen.order(grid, one_sequence).perm)
    for bad, error in ((0, ValueError), (5000, ValueError), (2.0, TypeError), (True, TypeError), ("2", TypeError)):
        with pytest.raises(error):
            plyxen.order(grid, threads=bad)


def test_the_same_input_orders_identically_in_one_process():
    A = random_matrix(2000, 0.002, 6)
    first = plyxen.order(A)
    plyxen.order(random_matrix(900, 0.004, 7))
    assert np.array_equal(plyxen.order(A).perm, first.perm)


@pytest.mark.parametrize("option, strategy", [("--interface", plyxen.INTERFACE_STRATEGY),
                                              ("--quality", plyxen.QUALITY_STRATEGY)])
def test_named_strategies_are_the_tools(option, strategy, tmp_path):
    path = shared_graph(SHARED_NAMES[0])
    positions, _ = tool_ordering(path, tmp_path, (option,))
    indptr, indices = parse_graph_file(path)
    assert np.array_equal(plyxen.order((indptr, indices), strategy).iperm, positions)
    assert plyxen.DEFAULT_STRATEGY == plyxen.RECOMMENDED_STRATEGY != strategy
