"""Labels render without the interpreter's lock: threads sharing symbols get the bytes a single thread gets,
errors included."""

from __future__ import annotations

from concurrent.futures import ThreadPoolExecutor

import tavlo

# Every class; the module needs no test helper, so that the free-threaded stage can run it alone.
SYMBOLS = [
    lambda: tavlo.Ean8("1234567"),
    lambda: tavlo.UpcA("03600029145"),
    lambda: tavlo.Code39("TAVLO-39 BENCH"),
    lambda: tavlo.Itf("12345678"),
    lambda: tavlo.Code128([tavlo.StartC(), tavlo.Data("123456"), tavlo.FNC1(), tavlo.Data("Parcel")]),
    lambda: tavlo.Gs1_128("(01)09501101530003(17)250101(10)ABC123"),
    lambda: tavlo.Itf14("1540014128876", bearer="bars"),
    lambda: tavlo.QrCode("threads " * 60),
    lambda: tavlo.DataMatrix("tavlo label 42", shape="rectangular"),
    lambda: tavlo.Gs1DataMatrix("(01)09501101530003(17)250101(10)ABC123"),
]

# Each format, with options that take the writers' other paths: colours, transparency, a fixed size, no text,
# a size large enough to be written without the lock.
CALLS = [
    lambda s: s.png(),
    lambda s: s.png(dpi=203, foreground="#1b2a6b", background=None, bar_width_reduction="1dot"),
    lambda s: s.svg(x_dim="0.5mm", text=False),
    lambda s: s.pdf(width="80mm", height="40mm"),
    lambda s: s.png(dpi=2400, text=False),  # millions of dots: written without the interpreter's lock
]


def outcome(symbol, call):
    try:
        return call(symbol)
    except tavlo.TavloError as error:
        return "error", str(error)


def outcomes(symbol):
    # The last call fails in the core for every kind (the width is too small), with its message.
    return [outcome(symbol, call) for call in CALLS] + [outcome(symbol, lambda s: s.png(width="1mm"))]


def test_concurrent_labels_match_serial_results():
    expected = [outcomes(make()) for make in SYMBOLS]
    assert all(result[-1][0] == "error" for result in expected)
    shared = [make() for make in SYMBOLS]

    def work(round_number):
        index = round_number % len(SYMBOLS)
        return index, outcomes(shared[index]), outcomes(SYMBOLS[index]())

    with ThreadPoolExecutor(max_workers=8) as pool:
        for index, reused, fresh in pool.map(work, range(8 * len(SYMBOLS))):
            assert reused == expected[index], SYMBOLS[index]()
            assert fresh == expected[index], SYMBOLS[index]()

