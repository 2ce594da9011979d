"""GS1 element strings held to the GS1 Barcode Syntax Dictionary by every GS1 kind and by tavlo.gs1, and
agreement with GS1's own syntax engine on its reference corpus (../shared/reference/gs1-syntax)."""

from __future__ import annotations

import io
import json
import re
from functools import cache
from pathlib import Path

import pytest

import tavlo
from tavlo import gs1

CORPUS = Path(__file__).resolve().parents[3] / "shared" / "reference" / "gs1-syntax"

# Each GS1 kind made from an element string.
GS1_KINDS = [tavlo.Gs1_128, tavlo.Gs1DataMatrix, tavlo.Gs1Qr]

# (element string, the message tavlo.gs1.parse gives): every content check of the dictionary, the component
# rules and the pairing rules, once at least.
INVALID = [
    ("(01)09501101530004", "AI (01): the check digit is incorrect"),
    ("(01)09501101530003(17)251301", "AI (17): month 13 is not a valid month"),
    ("(01)09501101530003(17)250230", "AI (17): day 30 is not a valid day of month 2"),
    ("(23)123", "AI (23): not an allocated Application Identifier"),
    ("(01)09501101530003(10)ABCDEFGHIJKLMNOPQRSTU", "AI (10): the value has 21 characters, at most 20 are allowed"),
    ("(01)09501101530003(10)AB C", "AI (10): ' ' is not in GS1's 82-character set"),
    ("(00)952954255503491069", "AI (00): the check digit is incorrect"),
    ("(00)95295425550349106", "AI (00): the value has 17 characters, it must have 18"),
    ("(00)9529542555034910681", "AI (00): the value has 19 characters, it must have 18"),
    ("(00)9A2954255503491068", "AI (00): 'A' is not a digit"),
    ("(89)952954255503491068", "AI (89): not an allocated Application Identifier"),
    ("(00)952954255503491068(89)ABC", "AI (89): not an allocated Application Identifier"),
    ("(00)952954255503491068(00)952660487647593825", "AI (00): appears twice with different values"),
    ("(01)95254912103504(255)9521234500018", "AI (01): may not appear with AI (255)"),
    ("(01)95254912103504(99)AB^C", "AI (99): '^' is not in GS1's 82-character set"),
    ("(02)95234466379563", "AI (02): requires AI (37)"),
    ("(00)095212345678901235(02)95234466379563", "AI (02): requires AI (37)"),
    ("(01)09521234543213(250)SER", "AI (250): requires AI (01) with (21) or (03) with (21) or (8006) with (21)"),
    ("(01)09521234543213(11)990030", "AI (11): month 0 is not a valid month"),
    ("(01)09521234543213(11)991132", "AI (11): day 32 is not a valid day of month 11"),
    ("(01)09521234543213(11)230229", "AI (11): day 29 is not a valid day of month 2"),
    ("(01)09521234543213(11)990431", "AI (11): day 31 is not a valid day of month 4"),
    ("(01)09521234543213(21)D$acLDSU", "AI (21): '$' is not in GS1's 82-character set"),
    ("(01)09521234543213(7007)2601012601", "AI (7007): the value has 10 characters, at least 6 are needed"),
    ("(30)12(01)09521234543213(3932)00042260897", "AI (3932): 000 is not an ISO 4217 currency code"),
    ("(401)ABCD2342FQ", "AI (401): the GS1 Company Prefix must begin with 4 digits"),
    ("(421)999DPA8aKXXO", "AI (421): 999 is not an ISO 3166 country code"),
    ("(421)000DPA8aKXXO", "AI (421): 000 is not an ISO 3166 country code"),
    ("(00)095212345678901235(4300)AB%G1", "AI (4300): '%' must be followed by two hexadecimal digits"),
    ("(00)095212345678901235(4300)AB%2", "AI (4300): '%' must be followed by two hexadecimal digits"),
    ("(00)095212345678901235(4307)XX", "AI (4307): XX is not an ISO 3166 alpha-2 country code"),
    ("(00)095212345678901235(4307)jp", "AI (4307): jp is not an ISO 3166 alpha-2 country code"),
    ("(00)095212345678901235(4309)18000000010000000000", "AI (4309): the latitude is more than 1800000000"),
    ("(00)095212345678901235(4309)18000000003600000001", "AI (4309): the longitude is more than 3600000000"),
    ("(00)095212345678901235(4321)2", "AI (4321): the value must be 0 or 1"),
    ("(00)095212345678901235(4324)2701012430", "AI (4324): hour 24 is not a valid hour"),
    ("(00)095212345678901235(4324)2701011560", "AI (4324): minute 60 is not a valid minute"),
    ("(00)095212345678901235(4326)250100", "AI (4326): day 0 is not a valid day of month 1"),
    ("(00)095212345678901235(4330)140814X", "AI (4330): only '-' is allowed here"),
    ("(01)09521234543213(7030)001QRy1", "AI (7030): 001 is neither an ISO 3166 country code nor 999"),
    ("(7040)8WN=", "AI (7040): '=' is not a valid importer index"),
    ("(00)095212345678901235(7041)0000", "AI (7041): 0000 is not a GS1 package type code"),
    ("(8017)952123450000000043(7241)00", "AI (7241): 00 is not an AIDC media type"),
    ("(8017)952123450000000043(7241)50", "AI (7241): 50 is not an AIDC media type"),
    ("(8018)952123450000000050(7250)20230229", "AI (7250): day 29 is not a valid day of month 2"),
    ("(8018)952123450000000050(7252)5", "AI (7252): 5 is not an ISO/IEC 5218 sex code"),
    ("(8018)952123450000000050(7259)BABY%20ONE(7258)3/2", "AI (7258): position 3 is after the end 2"),
    ("(8018)952123450000000050(7259)BABY%20ONE(7258)1-2", 'AI (7258): the value must be "<position>/<end>"'),
    ("(01)09521234543213(8001)00005023632111", "AI (8001): the value must not be zero"),
    ("(01)09521234543213(8001)28005023632121", "AI (8001): the winding direction must be 0, 1 or 9"),
    ("(8003)19528647454723TxOAO1yKWW", "AI (8003): the value must be 0"),
    ("(8006)952206832044740302", "AI (8006): piece 03 is more than the total 02"),
    ("(8006)952206832044740002", "AI (8006): the piece number must not be zero"),
    ("(415)9521234500001(8020)A1(8007)BE71096123456760", "AI (8007): the IBAN check digits are incorrect"),
    ("(415)9521234500001(8020)A1(8007)ZZ71096123456769", "AI (8007): the IBAN must begin with an ISO 3166 alpha-2 country code"),
    ("(01)09521234543213(8008)3005312460", "AI (8008): hour 24 is not a valid hour"),
    ("(01)09521234543213(8008)3005312360", "AI (8008): minute 60 is not a valid minute"),
    ("(01)09521234543213(8008)300531233060", "AI (8008): second 60 is not a valid second"),
    ("(8010)9a21234", "AI (8010): 'a' is not in GS1's 39-character set"),
    ("(8010)9521234ABC(8011)01722358869", "AI (8011): the value must not begin with 0"),
    ("(8013)7907665Bm8v2AA", "AI (8013): the check character pair is incorrect"),
    ("(01)09521234543213(8014)109999822", "AI (8014): the value must hold a character other than a digit"),
    ("(00)095212345678901235(8030)ud_=", "AI (8030): the base64url padding is invalid"),
    ("(00)095212345678901235(8030)ud_w1N+", "AI (8030): '+' is not a base64url character"),
    ("(253)9524832665363(8030)ud_w", "AI (8030): the digital signature needs AI (253) with a serial component"),
    ("(8110)0123456", "AI (8110): the coupon's offer code is shorter than 6 digits"),
    ("(8110)0123456123456111101231011012301234560", "AI (8110): the coupon has data after its last field"),
    ("(8112)0012345", "AI (8112): the coupon's funder is shorter than 6 digits"),
    ("(8112)00123456123456112345670", "AI (8112): the coupon has data after its last field"),
]

# Element strings every GS1 kind accepts: each a different AI or rule.
VALID = [
    "(01)09501101530003",
    "(01)09501101530003(17)250101(10)ABC123",
    "(01)09501101530003(17)240229",
    "(01)09501101530003(11)991100",
    "(00)095212345678901235(3322)224032",
    "(00)095212345678901235(3402)836591",
    "(00)095212345678901235(3533)955691",
    "(00)095212345678901235(4307)JP",
    "(00)095212345678901235(4312)Main%2FStreet",
    "(00)095212345678901235(4314)Jan%C3%A9",
    "(00)095212345678901235(4320)Jane",
    "(00)095212345678901235(4323)0",
    "(00)095212345678901235(4325)2506150000",
    "(00)095212345678901235(4330)140814-",
    "(01)09521234543213(21)DHacLDSU",
    "(01)09521234543213(235)EQQAx",
    "(01)09521234543213(240)xxIFPUW",
    "(01)09521234543213(243)GSAXMKNUJ",
    "(01)09521234543213(3123)529407",
    "(01)09521234543213(3651)880530",
    "(01)09521234543213(423)250276392250036",
    "(01)09521234543213(7006)260115(7007)260101260131",
    "(01)09521234543213(7008)WYL",
    "(01)09521234543213(7035)250W9VREU4xSRG",
    "(01)09521234543213(711)B8J1KAD8ITa",
    "(01)09521234543213(7234)1C1H9LxPF",
    "(253)9524832665363BPAGXaIUcW",
    "(255)95272900840663074224",
    "(400)BTFEE7VF6X",
    "(411)9527475821912",
    "(414)9521234500025(254)EXT-1",
    "(420)9MSRYRGS9xyb",
    "(7023)9521234",
    "(7040)8WNA",
    "(8003)09528647454723TxOAO1yKWW",
    "(8004)9521234VG",
    "(8010)9521234ABC(8011)17223588694",
    "(8018)952123450000000050(7251)202401012359",
    "(8018)952123450000000050(7259)BABY%20ONE(7258)2/3",
    "(8020)INV2024-0042(415)9521234500001(12)300531",
    "(8112)0012345612345611234567",
    "(8013)1987654Ad4X4bL5ttr2310c2K",
    "(00)095212345678901235(8030)ud=",
    "(415)9521234500001(8020)A1(8007)BE71096123456769",
]


@pytest.mark.parametrize(("text", "message"), INVALID, ids=[text for text, _ in INVALID])
def test_parse_names_the_ai_and_the_rule(text, message):
    with pytest.raises(tavlo.TavloError, match=f"^{re.escape(message)}$"):
        gs1.parse(text)


@pytest.mark.parametrize("kind", GS1_KINDS, ids=lambda kind: kind.__name__)
@pytest.mark.parametrize(("text", "message"), INVALID, ids=[text for text, _ in INVALID])
def test_every_gs1_kind_refuses_naming_the_ai(kind, text, message):
    ai = message[: message.index(")") + 1]
    with pytest.raises(tavlo.TavloError, match=re.escape(ai)):
        kind(text)


@pytest.mark.parametrize("kind", GS1_KINDS, ids=lambda kind: kind.__name__)
@pytest.mark.parametrize("text", VALID)
def test_every_gs1_kind_accepts(kind, text):
    kind(text)
    assert gs1.element_string(text) == text


@pytest.mark.parametrize(("digits", "accepted"), [("0950110153000", True), ("09501101530003", True), ("09501101530004", False)])
def test_itf14_holds_a_valid_gtin(digits, accepted):
    if accepted:
        tavlo.Itf14(digits)
    else:
        with pytest.raises(tavlo.TavloError):
            tavlo.Itf14(digits)


def test_parse_gives_pairs_and_unescapes_parentheses():
    assert gs1.parse("(01)09501101530003(10)A\\(B") == [("01", "09501101530003"), ("10", "A(B")]
    assert gs1.parse("(01)09501101530003(01)09501101530003") == [("01", "09501101530003")] * 2


@cache
def corpus(name: str) -> list[dict]:
    path = CORPUS / name
    if not path.exists():
        pytest.skip(f"GS1 syntax corpus not found at {path}")
    return json.loads(path.read_text(encoding="utf-8"))


def accepted(parse, text: str) -> bool:
    try:
        parse(text)
    except tavlo.TavloError:
        return False
    return True


def test_element_strings_agree_with_gs1s_engine():
    # The engine reads one composite separator "|" before a "(" as the start of a composite part, which a
    # single symbol has no use for: it is dropped before parsing here.
    disagreements = [
        entry["text"]
        for entry in corpus("element_strings.json")
        if accepted(gs1.parse, entry["text"].replace("|(", "(", 1)) != entry["engine_valid"]
    ]
    assert disagreements == []


def test_digital_link_uris_agree_with_gs1s_engine_and_round_trip():
    for entry in corpus("digital_link.json"):
        text = entry["text"]
        assert accepted(gs1.parse, text) == entry["engine_valid"], text
        if entry["engine_valid"]:
            assert gs1.element_string(text) == entry["engine_element_string"], text
            uri = gs1.digital_link(entry["engine_element_string"], "https://example.com/stem")
            assert gs1.parse(uri) == gs1.parse(text), (text, uri)


@pytest.mark.parametrize(
    ("text", "uri"),
    [
        ("(01)09501101530003", "https://id.gs1.org/01/09501101530003"),
        ("(01)09501101530003(17)250101(10)ABC", "https://id.gs1.org/01/09501101530003/10/ABC?17=250101"),
        ("(01)09501101530003(21)S%1(22)A-1", "https://id.gs1.org/01/09501101530003/22/A-1/21/S%251"),
        ("(01)09501101530003(235)T(10)L", "https://id.gs1.org/01/09501101530003/235/T?10=L"),
        ("(414)9521234500025(254)EXT-1", "https://id.gs1.org/414/9521234500025/254/EXT-1"),
        ("(00)095212345678901235(4312)Main%2FSt", "https://id.gs1.org/00/095212345678901235?4312=Main%252FSt"),
    ],
)
def test_digital_link_puts_key_and_qualifiers_in_the_path(text, uri):
    assert gs1.digital_link(text) == uri
    assert sorted(gs1.parse(uri)) == sorted(gs1.parse(text))
    assert gs1.digital_link(text, "https://example.com/a/") == uri.replace("https://id.gs1.org", "https://example.com/a")


@pytest.mark.parametrize(
    ("text", "message"),
    [
        ("https://id.gs1.org/01/09501101530003/10/ABC/22/X", "GS1 Digital Link: the AIs of the path are not key (01) and its qualifiers in order"),
        ("https://id.gs1.org/01/09501101530003?10=ABC", "GS1 Digital Link: AI (10) is a qualifier that belongs in the path"),
        ("https://id.gs1.org/01/09501101530003?21=S1", "GS1 Digital Link: AI (21) may not be a data attribute"),
        ("https://id.gs1.org/01/09501101530003?8200=x", "GS1 Digital Link: AI (8200) may not be a data attribute"),
        ("https://id.gs1.org/10/ABC", "GS1 Digital Link: the path holds no primary key"),
        ("https://id.gs1.org/01/09501101530003?17=250101&17=250101", "GS1 Digital Link: AI (17) is given twice"),
        ("https://id.gs1.org/01/09501101530003?17=251301", "AI (17): month 13 is not a valid month"),
    ],
)
def test_digital_link_refusals(text, message):
    with pytest.raises(tavlo.TavloError, match=f"^{re.escape(message)}$"):
        gs1.parse(text)


def test_ais_that_may_not_appear_in_a_uri_are_refused():
    with pytest.raises(tavlo.TavloError, match=r"^GS1 Digital Link: AI \(8200\) may not appear in a GS1 Digital Link URI$"):
        gs1.digital_link("(01)09501101530003(8200)http://x")
    with pytest.raises(tavlo.TavloError, match=r"^GS1 Digital Link: the elements hold no primary key$"):
        gs1.digital_link("(400)ORDER1")


def test_command_line(capsys):
    assert gs1.main(["check", "(01)09501101530003(10)ABC"]) == 0
    assert capsys.readouterr().out == "(01) 09501101530003\n(10) ABC\n"
    assert gs1.main(["link", "(01)09501101530003(10)ABC", "--domain", "https://example.com"]) == 0
    assert capsys.readouterr().out == "https://example.com/01/09501101530003/10/ABC\n"
    assert gs1.main(["check", "(17)251301"]) == 1
    assert capsys.readouterr().err == "tavlo gs1: AI (17): month 13 is not a valid month\n"


GS = "\x1d"


@pytest.mark.parametrize(
    ("text", "content"),
    [
        ("(01)09501101530003(17)250101(10)ABC123", "010950110153000317250101" + "10ABC123"),
        ("(01)09501101530003(10)AB%12(21)X", "010950110153000310AB%12" + GS + "21X"),
        ("(01)09501101530003(21)abc(10)ABC" , "010950110153000321abc" + GS + "10ABC"),
        ("(00)095212345678901235(4312)Main%2FStreet(4313)X", "00095212345678901235" + "4312Main%2FStreet" + GS + "4313X"),
    ],
)
def test_gs1_qr_reads_back_as_gs1(text, content):
    zxingcpp = pytest.importorskip("zxingcpp")
    from PIL import Image

    image = Image.open(io.BytesIO(tavlo.Gs1Qr(text).png(dpi=96, x_dim="4dots")))
    (result,) = zxingcpp.read_barcodes(image)
    assert result.symbology_identifier == "]Q3"  # FNC1 in first position
    assert result.bytes == content.encode()  # the element strings with GS where the rules ask for one
    assert result.text == text  # read as GS1, shown with the AIs in parentheses


# gs1.check validates as gs1.parse does, without making the pairs: the same verdicts and the same messages.
@pytest.mark.parametrize(("text", "message"), INVALID, ids=[text for text, _ in INVALID])
def test_check_refuses_as_parse_does(text, message):
    with pytest.raises(tavlo.TavloError, match=f"^{re.escape(message)}$"):
        gs1.check(text)


@pytest.mark.parametrize("text", VALID)
def test_check_accepts_as_parse_does(text):
    assert gs1.check(text) is None


def refusal(call, text: str) -> str | None:
    try:
        call(text)
    except tavlo.TavloError as error:
        return str(error)
    return None


def test_check_agrees_with_parse_on_gs1s_corpus():
    texts = [entry["text"].replace("|(", "(", 1) for entry in corpus("element_strings.json")]
    texts += [entry["text"] for entry in corpus("digital_link.json")]
    disagreements = [text for text in texts if refusal(gs1.check, text) != refusal(gs1.parse, text)]
    assert disagreements == []


@pytest.mark.parametrize(
    ("text", "message"),
    [
        ("https://id.gs1.org/01/09501101530003?17=251301", "AI (17): month 13 is not a valid month"),
        ("HTTPS://id.gs1.org/10/ABC", "GS1 Digital Link: the path holds no primary key"),
        ("http://x/01/09501101530004", "AI (01): the check digit is incorrect"),
        ("hTtP://x/01/09501101530003", "GS1 Digital Link: the URI must begin with http:// or https://"),
        ("http:/x/01/09501101530003", "an element string begins each element with '(AI)'"),
        ("", "the element string holds no elements"),
    ],
)
def test_parse_and_check_read_a_text_with_an_http_scheme_in_any_case_as_a_uri(text, message):
    for call in (gs1.parse, gs1.check):
        with pytest.raises(tavlo.TavloError, match=f"^{re.escape(message)}$"):
            call(text)


def test_check_takes_text_only():
    with pytest.raises(TypeError, match="^argument 'text': 'bytes' object is not an instance of 'str'$"):
        gs1.check(b"(01)09501101530003")
