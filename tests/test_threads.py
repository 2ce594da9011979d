"""Symbols are immutable and the core keeps no state: concurrent calls, which run the core without the
interpreter's lock, give the same bytes as serial ones."""

from concurrent.futures import ThreadPoolExecutor

import _tavlo as t

MAKERS = [
    lambda: t.Ean8("1234567"),
    lambda: t.UpcA("03600029145"),
    lambda: t.Code39("THREADS"),
    lambda: t.Itf("0123456789"),
    lambda: t.Code128([t.StartC(), t.Data("123456"), t.FNC1(), t.Data("ab")]),
    lambda: t.QrCode("concurrent"),
    lambda: t.DataMatrix("concurrent", shape="rect"),
    lambda: t.Code39("LOCK FREE " * 7),
    lambda: t.Code128([t.Data("released while encoding " * 3), t.FNC1(), t.Data("0123456789" * 4)]),
    lambda: t.DataMatrix.gs1("(01)09501101530003(17)250101(10)ABC123"),
    # Inputs long enough for the encoders to run without the interpreter's lock.
    lambda: t.QrCode("released " * 60),
    lambda: t.DataMatrix("released " * 45),
]


def outputs(symbol):
    return symbol.render_png(200, 80, unit="px", quiet_zone_modules=2), symbol.render_svg(quiet_zone_modules=1)


def test_concurrent_encoding_and_rendering_match_serial_results():
    expected = [outputs(make()) for make in MAKERS]
    shared = [make() for make in MAKERS]

    def work(round_number):
        index = round_number % len(MAKERS)
        fresh = outputs(MAKERS[index]())
        reused = outputs(shared[index])
        return index, fresh, reused

    with ThreadPoolExecutor(max_workers=8) as pool:
        for index, fresh, reused in pool.map(work, range(8 * 40)):
            assert fresh == expected[index]
            assert reused == expected[index]
