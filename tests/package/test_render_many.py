"""tavlo.render_many and tavlo.iter_render: many labels of one kind in one call, each byte for byte the label a
single call makes, in input order, failures in their places; Arrow arrays in and out; the same on Dask's
worker processes."""

from __future__ import annotations

import os
import pickle
import random
import sys
import threading

import pytest

import tavlo
from tavlo import _label
from tavlo._symbols import kind_of

# Payloads tried on every row of the table of kinds: each row is tested with the first three its single-call
# path accepts, so a kind added to the table is covered without editing this list.
CANDIDATES = [
    "1234567", "7654321", "0123456",  # EAN-8 and others of digits
    "03600029145", "01234567890", "12345678901",  # UPC-A
    "123456789012", "1234567890128",  # EAN-13, 13 digits
    "1234567890123", "9501101530003", "1501234567890",  # ITF-14 (13 digits)
    "12345678", "00123456", "98765432",
    "TAVLO-39", "HELLO 42", "ABC-123",
    "(01)09501101530003(17)250101(10)ABC123", "(01)09501101530003", "(00)106141411234567897",
    "https://example.com/a", "tavlo 42", "Hello, world!",
    "9780306406157", "0306406152", "0317-8471", "03178471", "9790260000438", "M230671187",  # ISBN, ISSN, ISMN
    "5", "255", "0",  # Aztec Rune
]


def single(row: dict, payload: str | bytes, **kind_options: str) -> _label.Label:
    """The label one call makes, through the row's own class, as the package's constructors do."""
    cls = getattr(tavlo, row["class_name"])
    return cls._encode(row["name"], payload, (payload,), **kind_options)


def accepted(row: dict) -> list[str]:
    good = []
    for payload in CANDIDATES:
        try:
            single(row, payload)
        except tavlo.TavloError:
            continue
        good.append(payload)
        if len(good) == 3:
            break
    return good


ROWS = _label.kinds()


@pytest.mark.parametrize("row", ROWS, ids=[row["name"] for row in ROWS])
@pytest.mark.parametrize("format", ["png", "svg", "pdf"])
def test_every_kind_equals_single_calls(row: dict, format: str) -> None:
    payloads = accepted(row)
    assert payloads, f"no payload in CANDIDATES is valid for kind {row['name']!r}: add one"
    expected = [getattr(single(row, p), format)() for p in payloads]
    for threads in (1, 2):
        assert tavlo.render_many(row["name"], payloads * 3, format, threads=threads) == expected * 3


OPTION_SETS = [
    (tavlo.QrCode, {}, {"dpi": 600, "x_dim": "4dots"}, ["https://example.com/1", "x" * 300]),
    (tavlo.QrCode, {}, {"width": "20mm", "quiet_zone": 1, "background": None}, ["a", "b"]),
    (tavlo.Code128, {}, {"text": False, "foreground": "#123456", "bar_width_reduction": "1dots"}, ["PARCEL 1", "12345678"]),
    (tavlo.Code128, {}, {"dpi": 203, "height": "12mm"}, ["Parcel 0123456789"]),
    (tavlo.DataMatrix, {"shape": "square"}, {"dpi": 300}, ["hello", "rectangle"]),
    (tavlo.DataMatrix, {"shape": "rectangular"}, {}, ["hello", b"\x00\xffbytes"]),
    (tavlo.Gs1_128, {"compute_check_digits": True}, {}, ["(01)0950110153000(10)A1"]),
    (tavlo.Itf14, {"bearer": "bars"}, {"text": False}, ["1234567890123"]),
    (tavlo.Gs1DataMatrix, {}, {"text": True}, ["(01)09501101530003(17)250101"]),
    (tavlo.Ean8, {}, {"foreground": (10, 20, 30), "background": "#fffa"}, ["1234567"]),
    # Constructors that turn their options into another row or into several options of the core.
    (tavlo.QrCode, {"error_correction": "H", "version": 5, "structured_append": (1, 2, 7)}, {}, ["part one", "x"]),
    (tavlo.Aztec, {"layers": 4, "structured_append": (1, 3)}, {"dpi": 203}, ["tavlo", b"\x00\x01"]),
    (tavlo.DataBar, {"stacked": "omnidirectional"}, {}, ["0950110153000", "(01)09501101530003"]),
    (tavlo.DataBarExpanded, {"segments_per_row": 4}, {}, ["(01)09501101530003(3103)000123"]),
    (tavlo.Pdf417, {"columns": 3, "error_correction": 4}, {"x_dim": "2dots"}, ["pdf417 batch", b"\xff" * 40]),
    (tavlo.Ean13, {"addon": "12", "light_margin": True}, {}, ["590123412345"]),
    (tavlo.Codabar, {"start": "B", "stop": "C", "ratio": "2:1"}, {}, ["40156", "123-45"]),
]


def made_one_at_a_time(cls: type, kind_options: dict, payloads: list, format: str, render_options: dict) -> list:
    return [getattr(cls(p, **kind_options), format)(**render_options) for p in payloads]


@pytest.mark.parametrize(("cls", "kind_options", "render_options", "payloads"), OPTION_SETS)
@pytest.mark.parametrize("format", ["png", "svg", "pdf"])
def test_options_apply_to_every_label(cls, kind_options, render_options, payloads, format) -> None:
    expected = made_one_at_a_time(cls, kind_options, payloads, format, render_options)
    assert tavlo.render_many(cls, payloads, format, threads=2, **kind_options, **render_options) == expected


def test_optimized_png_as_single_calls() -> None:
    payloads = [f"PARCEL {i}" for i in range(6)]
    expected = [tavlo.Code128(p).png(optimize=True) for p in payloads]
    assert tavlo.render_many(tavlo.Code128, payloads, optimize=True, threads=2) == expected


def test_svg_is_text_png_and_pdf_are_bytes() -> None:
    assert isinstance(tavlo.render_many(tavlo.QrCode, ["a"], "svg")[0], str)
    assert isinstance(tavlo.render_many(tavlo.QrCode, ["a"], "pdf")[0], bytes)
    assert tavlo.render_many(tavlo.QrCode, []) == []


def test_bytes_payloads_are_read_as_given() -> None:
    data = bytes(range(256))
    assert tavlo.render_many(tavlo.DataMatrix, [data]) == [tavlo.DataMatrix(data).png()]
    assert tavlo.render_many(tavlo.QrCode, ["é".encode()]) == [tavlo.QrCode("é").png()]


def test_many_labels_in_input_order_on_many_threads() -> None:
    rng = random.Random(24)
    payloads = [f"{rng.randrange(10**6):06d}1" for _ in range(2000)]
    expected = [tavlo.Ean8(p).png() for p in payloads]
    for threads in (1, 2, 7):
        assert tavlo.render_many(tavlo.Ean8, payloads, threads=threads) == expected


def test_render_many_in_one_thread_leaves_another_threads_symbols_alone() -> None:
    # render_many learns a class's row by running its constructor up to the encoding; a symbol made meanwhile
    # in another thread is made whole.
    made: list[object] = []
    failures: list[BaseException] = []
    stop = threading.Event()

    def construct() -> None:
        try:
            while not stop.is_set():
                made.append(tavlo.MicroQr("0123"))
                made.append(tavlo.Code128("AB"))
        except BaseException as failure:  # noqa: BLE001 - whatever escaped is the fault
            failures.append(failure)

    switching = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)  # the threads take turns as often as the interpreter allows
    thread = threading.Thread(target=construct)
    thread.start()
    try:
        for _ in range(3000):  # what render_many runs for a class, many times over
            assert kind_of(tavlo.MicroQr, "0", {}) == ("microqr", ())
        assert tavlo.render_many(tavlo.MicroQr, ["0123"], threads=1) == [tavlo.MicroQr("0123").png()]
    finally:
        stop.set()
        thread.join()
        sys.setswitchinterval(switching)
    assert not failures
    assert made and all(isinstance(symbol, (tavlo.MicroQr, tavlo.Code128)) for symbol in made)


def test_threads_default_to_the_cores_this_process_may_use() -> None:
    from tavlo import _bulk

    assert _bulk.available_cores() >= 1
    assert tavlo.render_many(tavlo.Ean8, ["1234567"] * 10) == [tavlo.Ean8("1234567").png()] * 10


# Failures


def test_errors_return_leaves_each_failure_in_its_place() -> None:
    payloads = ["1234567", "12a4567", "7654321", "1", None, "0000000"]
    results = tavlo.render_many(tavlo.Ean8, payloads, errors="return", threads=2)
    for payload, result in zip(payloads, results):
        if payload is None:
            assert result is None
            continue
        try:
            expected = tavlo.Ean8(payload).png()
        except tavlo.TavloError as error:
            assert isinstance(result, tavlo.TavloError)
            assert str(result) == str(error)
        else:
            assert result == expected


@pytest.mark.parametrize("threads", [1, 2, 4])
def test_errors_raise_the_first_failure_in_input_order(threads: int) -> None:
    payloads = ["1234567"] * 500 + ["1"] + ["1234567"] * 100 + ["12a4567"] + ["1234567"] * 100
    with pytest.raises(tavlo.TavloError, match=r"^Invalid length for EAN-8: expected 7, got 1$"):
        tavlo.render_many(tavlo.Ean8, payloads, threads=threads)


def test_a_kind_option_refused_fails_every_label() -> None:
    results = tavlo.render_many("datamatrix", ["a", "b"], errors="return", shape="round")
    assert all(isinstance(result, tavlo.TavloError) and "shape" in str(result) for result in results)


@pytest.mark.parametrize(
    ("call", "error", "message"),
    [
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567", 5]), TypeError, r"payloads\[1\]"),
        (lambda: tavlo.render_many(tavlo.Ean8, "1234567"), TypeError, "payloads"),
        (lambda: tavlo.render_many(tavlo.Ean8, 5), TypeError, "payloads"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], "gif"), ValueError, "'png', 'svg' or 'pdf'"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], errors="ignore"), ValueError, "errors"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], threads=0), ValueError, "threads"),
        (lambda: tavlo.render_many("nope", ["1"]), ValueError, "unknown label kind 'nope'"),
        (lambda: tavlo.render_many(int, ["1"]), TypeError, "kind"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], colour="red"), TypeError, "colour"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], "svg", optimize=True), TypeError, "optimize"),
        (lambda: tavlo.render_many(tavlo.Ean8, ["1234567"], dpi=0), ValueError, "dpi"),
        (lambda: tavlo.render_many(tavlo.Itf14, ["1234567890123"], bearer="top"), ValueError, "bearer"),
    ],
)
def test_bad_arguments_are_refused_before_any_label(call, error, message) -> None:
    with pytest.raises(error, match=message):
        call()


def test_symbols_classes_and_options_pickle() -> None:
    """What an engine ships to its workers: the class, the options and symbols themselves."""
    job = (tavlo.DataMatrix, {"shape": "square", "dpi": 600}, [tavlo.Itf14("1234567890123", bearer="bars")])
    cls, options, symbols = pickle.loads(pickle.dumps(job))
    assert cls is tavlo.DataMatrix and symbols[0].png() == job[2][0].png()
    assert tavlo.render_many(cls, ["a"], **options) == [tavlo.DataMatrix("a", shape="square").png(dpi=600)]


# iter_render


def test_iter_render_yields_in_order_and_reads_lazily() -> None:
    count, chunk = 100_000, 4096
    pulled = 0

    def payloads():
        nonlocal pulled
        for i in range(count):
            pulled += 1
            yield f"{i % 10**7:07d}"

    seen = 0
    checks = {0: None, 1: None, 4095: None, 4096: None, 55_555: None, count - 1: None}
    options = {"text": False, "dpi": 96}
    for index, result in enumerate(tavlo.iter_render(tavlo.Ean8, payloads(), chunk_size=chunk, threads=2, **options)):
        # Bounded memory: never more than one chunk read ahead of what has been handed out.
        assert pulled <= (index // chunk + 1) * chunk
        if index in checks:
            assert result == tavlo.Ean8(f"{index % 10**7:07d}").png(**options), index
        seen += 1
    assert seen == count and pulled == count


def test_iter_render_raises_where_the_first_failure_is() -> None:
    results = tavlo.iter_render(tavlo.Ean8, ["1234567", "7654321", "bad", "0000000"], chunk_size=3)
    assert next(results) == tavlo.Ean8("1234567").png()
    assert next(results) == tavlo.Ean8("7654321").png()
    with pytest.raises(tavlo.TavloError, match="EAN-8"):
        next(results)


def test_iter_render_returns_errors_in_place() -> None:
    results = list(tavlo.iter_render("ean8", iter(["1234567", "bad", None]), errors="return", chunk_size=2))
    assert results[0] == tavlo.Ean8("1234567").png()
    assert isinstance(results[1], tavlo.TavloError) and results[2] is None


# Arrow


def pyarrow_or_skip():
    return pytest.importorskip("pyarrow", reason="pyarrow is not installed: Arrow payloads untested")


@pytest.mark.parametrize("arrow_type", ["string", "large_string", "binary", "large_binary"])
def test_arrow_in_arrow_out(arrow_type: str) -> None:
    pa = pyarrow_or_skip()
    texts = ["https://example.com/1", None, "tavlo", "", "x" * 200]
    values = [t if t is None or "string" in arrow_type else t.encode() for t in texts]
    array = pa.array(values, type=getattr(pa, arrow_type)())
    result = tavlo.render_many(tavlo.QrCode, array, errors="return", threads=2)
    assert isinstance(result, pa.Array) and result.type == pa.binary() and len(result) == len(texts)
    for text, value in zip(texts, result.to_pylist()):
        if text is None:
            assert value is None
        else:
            assert value == tavlo.QrCode(text).png()


def test_arrow_slices_chunks_and_svg() -> None:
    pa = pyarrow_or_skip()
    array = pa.array([f"{i:07d}" for i in range(50)]).slice(7, 30)
    svg = tavlo.render_many(tavlo.Ean8, array, "svg")
    assert svg.type == pa.string() and svg.to_pylist() == [tavlo.Ean8(f"{i:07d}").svg() for i in range(7, 37)]
    chunked = pa.chunked_array([["1234567", "7654321"], ["0000000"]])
    result = tavlo.render_many("ean8", chunked)
    assert result.num_chunks == 2
    assert result.to_pylist() == [tavlo.Ean8(t).png() for t in ["1234567", "7654321", "0000000"]]


def test_arrow_errors_raise_and_other_types_are_refused() -> None:
    pa = pyarrow_or_skip()
    with pytest.raises(tavlo.TavloError, match="EAN-8"):
        tavlo.render_many(tavlo.Ean8, pa.array(["1234567", "1"]))
    with pytest.raises(TypeError, match="format 'l'"):
        tavlo.render_many(tavlo.Ean8, pa.array([1, 2]))


def test_arrow_result_shares_no_memory_with_input_and_survives_it() -> None:
    pa = pyarrow_or_skip()
    array = pa.array(["1234567"] * 3)
    result = tavlo.render_many(tavlo.Ean8, array)
    del array
    assert result.to_pylist() == [tavlo.Ean8("1234567").png()] * 3


# Spread over processes: the recipes of docs/many_labels.md


def test_dask_bag_on_two_worker_processes_equals_serial_output() -> None:
    try:
        import dask.bag as db
        from dask.distributed import Client, LocalCluster
    except ImportError:
        pytest.skip("dask and distributed are not installed (pip install 'dask[distributed]'): recipe untested")
    import functools
    import logging

    payloads = [f"https://example.com/item/{i:05d}" for i in range(600)] + ["", "é" * 40]
    render = functools.partial(tavlo.render_many, tavlo.QrCode, format="png", threads=1, dpi=203, x_dim="3dots")
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                      silence_logs=logging.ERROR) as cluster, Client(cluster) as client:
        workers = client.run(os.getpid)
        assert len(set(workers.values()) - {os.getpid()}) == 2
        result = db.from_sequence(payloads, npartitions=6).map_partitions(render).compute(scheduler=client)
    assert result == [tavlo.QrCode(p).png(dpi=203, x_dim="3dots") for p in payloads]


SPARK_SKIP = "pyspark or Java is not installed: the Spark recipe is untested"


def test_spark_pandas_udf_equals_serial_output(monkeypatch: pytest.MonkeyPatch) -> None:
    import shutil
    import sys

    pyspark = pytest.importorskip("pyspark", reason=SPARK_SKIP)
    if not shutil.which("java") and not os.environ.get("JAVA_HOME"):
        pytest.skip(SPARK_SKIP)
    import pandas as pd
    from pyspark.sql import SparkSession
    from pyspark.sql.functions import pandas_udf

    # A script's own functions travel by value; this module's must be told to, as Spark's workers cannot
    # import it.
    pyspark.cloudpickle.register_pickle_by_value(sys.modules[__name__])

    def qr_png(payloads):
        return pd.Series(tavlo.render_many(tavlo.QrCode, payloads.tolist(), threads=1, dpi=203))

    # The hints as objects: Spark reads them to pick the kind of UDF, and this module's are strings.
    qr_png.__annotations__ = {"payloads": pd.Series, "return": pd.Series}

    payloads = [f"https://example.com/item/{i:05d}" for i in range(300)]
    monkeypatch.setenv("PYSPARK_PYTHON", sys.executable)  # the workers' interpreter, where tavlo is installed
    session = SparkSession.builder.master("local[2]").appName("tavlo").getOrCreate()
    try:
        qr_png = pandas_udf("binary")(qr_png)
        frame = session.createDataFrame([(p,) for p in payloads], "payload string").repartition(4)
        rows = frame.select("payload", qr_png("payload").alias("png")).collect()
    finally:
        session.stop()
    assert {row.payload: bytes(row.png) for row in rows} == {p: tavlo.QrCode(p).png(dpi=203) for p in payloads}
