"""EAN-8 and UPC-A: validation order and messages, exact geometry, reference modules, decoding."""

import pytest
from support import decode_one, linear_image, module_string, vector_params

from _tavlo import Ean8, TavloError, UpcA


def bars(symbol):
    return [(bar.x, bar.width) for bar in symbol.geometry().bars]


class TestEan8:
    def test_seven_digits_append_the_check_digit(self):
        geometry = Ean8("1234567").geometry()
        assert geometry.total_modules == 67 and len(geometry.bars) == 22
        found = bars(Ean8("1234567"))
        assert found[:6] == [(0, 1), (2, 1), (5, 2), (9, 1), (12, 1), (15, 2)]
        assert found[-3:] == [(62, 1), (64, 1), (66, 1)]
        assert found == bars(Ean8("12345670"))

    @pytest.mark.parametrize(
        "data, message",
        [
            ("12345678", "Invalid checksum for EAN-8"),
            ("123456", "Invalid length for EAN-8: expected 7, got 6"),
            ("123456789", "Invalid length for EAN-8: expected 7, got 9"),
            ("", "Invalid length for EAN-8: expected 7, got 0"),
            ("１２３４５６７", "Invalid length for EAN-8: expected 7, got 21"),
            ("12345é", "Invalid character 'é' for EAN-8"),
            ("ABCDEFG", "Invalid character 'A' for EAN-8"),
            ("123456A", "Invalid character 'A' for EAN-8"),
            ("1234567A", "Invalid character 'A' for EAN-8"),
            ("12A", "Invalid length for EAN-8: expected 7, got 3"),
            ("١12345", "Invalid character '١' for EAN-8"),
        ],
    )
    def test_refused(self, data, message):
        with pytest.raises(TavloError) as info:
            Ean8(data)
        assert str(info.value) == message


class TestUpcA:
    def test_eleven_digits_append_the_check_digit(self):
        geometry = UpcA("03600029145").geometry()
        assert geometry.total_modules == 95 and len(geometry.bars) == 30
        found = bars(UpcA("03600029145"))
        assert found[:6] == [(0, 1), (2, 1), (6, 2), (9, 1), (11, 4), (16, 1)]
        assert found[-3:] == [(88, 2), (92, 1), (94, 1)]
        assert found == bars(UpcA("036000291452"))

    @pytest.mark.parametrize(
        "data, message",
        [
            ("036000291453", "Invalid checksum for UPC-A"),
            ("0360002914", "Invalid length for UPC-A: expected 11, got 10"),
            ("", "Invalid length for UPC-A: expected 11, got 0"),
            ("03600029145A", "Invalid character 'A' for UPC-A"),
            ("0360002914é", "Invalid character 'é' for UPC-A"),
            ("03600029é", "Invalid length for UPC-A: expected 11, got 10"),
            ("036000291é", "Invalid character 'é' for UPC-A"),
        ],
    )
    def test_refused(self, data, message):
        with pytest.raises(TavloError) as info:
            UpcA(data)
        assert str(info.value) == message


@pytest.mark.parametrize("line", vector_params("linear.jsonl", "data", **{"class": "Ean8"}))
def test_ean8_reference_modules(line):
    assert module_string(Ean8(line["data"]).geometry()) == line["modules"]


@pytest.mark.parametrize("line", vector_params("linear.jsonl", "data", **{"class": "UpcA"}))
def test_upc_a_reference_modules(line):
    assert module_string(UpcA(line["data"]).geometry()) == line["modules"]


@pytest.mark.parametrize("data", ["1234567", "96385074", "0000000", "9999999"])
def test_ean8_decodes(data):
    result = decode_one(linear_image(Ean8(data).geometry()), "EAN8")
    assert result.text[:7] == data[:7] and len(result.text) == 8


@pytest.mark.parametrize("data", ["03600029145", "012345678905", "00000000000", "99999999999"])
def test_upc_a_decodes(data):
    result = decode_one(linear_image(UpcA(data).geometry()), "UPCA")
    upc = result.text[-12:]  # the decoder may report the EAN-13 form with its leading 0
    assert upc[:11] == data[:11] and result.text.lstrip("0") == upc.lstrip("0")
