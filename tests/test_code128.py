"""Code 128: element lists, the fewest-characters plan, symbol values with their check, and the decoded symbol."""

import sys

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from support import decode_one, linear_image, module_string, vector_params

import _tavlo
from _tavlo import FNC1, FNC2, FNC3, FNC4, Code128, Data, StartA, StartB, StartC, TavloError

# Bar and space widths of values 0 to 105 (ISO/IEC 15417, Table 1), read back from the geometry.
WIDTHS = """
212222 222122 222221 121223 121322 131222 122213 122312 132212 221213 221312 231212 112232 122132 122231 113222
123122 123221 223211 221132 221231 213212 223112 312131 311222 321122 321221 312212 322112 322211 212123 212321
232121 111323 131123 131321 112313 132113 132311 211313 231113 231311 112133 112331 132131 113123 113321 133121
313121 211331 231131 213113 213311 213131 311123 311321 331121 312113 312311 332111 314111 221411 431111 111224
111422 121124 121421 141122 141221 112214 112412 122114 122411 142112 142211 241211 221114 413111 241112 134111
111242 121142 121241 114212 124112 124211 411212 421112 421211 212141 214121 412121 111143 111341 131141 114113
114311 411113 411311 113141 114131 311141 411131 211412 211214 211232
""".split()
PATTERNS = {"".join(("1" if i % 2 == 0 else "0") * int(w) for i, w in enumerate(ws)): v for v, ws in enumerate(WIDTHS)}
STOP = "1100011101011"
CLASSES = {"Data": Data, "FNC1": FNC1, "FNC2": FNC2, "FNC3": FNC3, "FNC4": FNC4,
           "StartA": StartA, "StartB": StartB, "StartC": StartC}  # fmt: skip


def objects(elements):
    """Element objects from [["StartC"], ["Data", "12"], ...], the form of the reference vectors."""
    return [CLASSES[name](*args) for name, *args in elements]


def symbol_values(geometry) -> list[int]:
    """The values from the start to the last data value, after checking the check value and the stop."""
    modules = module_string(geometry)
    assert (len(modules) - 13) % 11 == 0 and modules.endswith(STOP)
    values = [PATTERNS[modules[k : k + 11]] for k in range(0, len(modules) - 13, 11)]
    *values, check = values
    assert check == (values[0] + sum(i * v for i, v in enumerate(values))) % 103
    return values


def plan_values(plan: list[str]) -> list[int]:
    """Values of a written plan: StartX, CodeX, FNCn, a digit pair in C, or one character in A or B."""
    values, code_set = [], None
    for item in plan:
        if item.startswith("Start"):
            code_set = item[-1]
            values.append({"A": 103, "B": 104, "C": 105}[code_set])
        elif item.startswith("Code"):
            code_set = item[-1]
            values.append({"A": 101, "B": 100, "C": 99}[code_set])
        elif item.startswith("FNC"):
            values.append({"FNC1": 102, "FNC2": 97, "FNC3": 96, "FNC4": 101 if code_set == "A" else 100}[item])
        elif code_set == "C":
            values.append(int(item))
        else:
            values.append(ord(item) + 64 if ord(item) < 32 else ord(item) - 32)
    return values


def units_of(values: list[int]) -> list:
    """What a reader makes of the values: characters as ints, functions as 'FNCn'. Asserts no SHIFT is used."""
    units, code_set = [], "ABC"[values[0] - 103]
    for v in values[1:]:
        if code_set == "C" and v < 100:
            units += [ord(d) for d in f"{v:02d}"]
            continue
        assert v != 98, "SHIFT is never used"
        if v == 102:
            units.append("FNC1")
        elif v >= 99 and not (v == 101 and code_set == "A") and not (v == 100 and code_set == "B"):
            code_set = {99: "C", 100: "B", 101: "A"}[v]
        elif code_set == "C":
            raise AssertionError(f"value {v} in set C")
        elif v in (96, 97):
            units.append({96: "FNC3", 97: "FNC2"}[v])
        elif v in (100, 101):
            units.append("FNC4")
        else:
            units.append(v - 64 if code_set == "A" and v >= 64 else v + 32)
    return units


def flat_units(elements) -> list:
    return [u for name, *args in elements if not name.startswith("Start")
            for u in ([ord(c) for c in args[0]] if name == "Data" else [name])]  # fmt: skip


def requested_start(elements):
    return next((name[-1] for name, *_ in elements if name.startswith("Start")), None)


def check_symbol(elements, geometry):
    """The geometry encodes the flattened elements and starts in the requested set."""
    values = symbol_values(geometry)
    assert units_of(values) == flat_units(elements)
    if requested_start(elements):
        assert values[0] == 103 + "ABC".index(requested_start(elements))
    return values


PLANS = [
    ([["Data", "123456"]], ["StartC", "12", "34", "56"]),
    ([["Data", "12345"]], ["StartB", "1", "CodeC", "23", "45"]),
    ([["Data", "1234a"]], ["StartC", "12", "34", "CodeB", "a"]),
    ([["Data", "abc123456"]], ["StartB", "a", "b", "c", "CodeC", "12", "34", "56"]),
    ([["Data", "AB12"]], ["StartB", "A", "B", "1", "2"]),
    ([["Data", "ABC1234"]], ["StartB", "A", "B", "C", "CodeC", "12", "34"]),
    ([["Data", "AB"]], ["StartB", "A", "B"]),
    ([["Data", "a\x01b"]], ["StartB", "a", "CodeA", "\x01", "CodeB", "b"]),
    ([["StartC"], ["Data", "AB"]], ["StartC", "CodeA", "A", "B"]),
    ([["StartA"], ["Data", "abc"]], ["StartA", "CodeB", "a", "b", "c"]),
    ([["StartB"], ["StartC"], ["Data", "12"]], ["StartB", "1", "2"]),
    ([["FNC1"], ["Data", "0101234567890128"]], ["StartC", "FNC1", "01", "01", "23", "45", "67", "89", "01", "28"]),
    ([["Data", "12"], ["FNC1"], ["Data", "34"]], ["StartC", "12", "FNC1", "34"]),
    ([["Data", "12"], ["FNC4"], ["Data", "34"]], ["StartB", "1", "2", "FNC4", "3", "4"]),
    ([["Data", "1"], ["FNC2"]], ["StartB", "1", "FNC2"]),
    ([["Data", "1"], ["Data", "2"]], ["StartC", "12"]),
    ([["Data", "\x7f"]], ["StartB", "\x7f"]),
    ([], ["StartB"]),
    # Beyond the table: a start placed late still counts, a lone digit never enters C, FNC4 in A.
    ([["Data", "1234"], ["StartA"]], ["StartA", "CodeC", "12", "34"]),
    ([["StartC"], ["Data", "1"]], ["StartC", "CodeA", "1"]),
    ([["Data", "\x00"], ["FNC4"]], ["StartA", "\x00", "FNC4"]),
    ([["Data", "\x00a\x00a"]], ["StartA", "\x00", "CodeB", "a", "CodeA", "\x00", "CodeB", "a"]),
]


@pytest.mark.parametrize(("elements", "plan"), PLANS, ids=[repr(elements)[:50] for elements, _ in PLANS])
def test_plan(elements, plan):
    geometry = Code128(objects(elements)).geometry()
    assert symbol_values(geometry) == plan_values(plan)
    assert geometry.total_modules == 11 * (len(plan) + 1) + 13
    check_symbol(elements, geometry)


@pytest.mark.parametrize("line", vector_params("linear.jsonl", "elements", **{"class": "Code128"}))
def test_reference_modules(line):
    geometry = Code128(objects(line["elements"])).geometry()
    assert module_string(geometry) == line["modules"]
    check_symbol(line["elements"], geometry)


@pytest.mark.parametrize(
    ("elements", "values", "check", "total", "bar_count"),
    [
        ([["Data", "123456"]], [105, 12, 34, 56], 44, 68, 19),
        ([["Data", "AB"]], [104, 33, 34], 102, 57, 16),
        ([], [104], 1, 35, 10),
        ([["FNC1"], ["Data", "0101234567890128"]], [105, 102, 1, 1, 23, 45, 67, 89, 1, 28], 63, 134, 37),
        ([["Data", "\x7f"]], [104, 95], 96, 46, 13),
    ],
)
def test_symbol_values_check_and_size(elements, values, check, total, bar_count):
    geometry = Code128(objects(elements)).geometry()
    modules = module_string(geometry)
    assert symbol_values(geometry) == values
    assert PATTERNS[modules[-24:-13]] == check
    assert (geometry.total_modules, len(geometry.bars)) == (total, bar_count)
    last, stop_end = geometry.bars[-2:]
    assert (last.width, stop_end.width, stop_end.x + stop_end.width) == (1, 2, total)


def test_bars_of_123456():
    bars = [(bar.x, bar.width) for bar in Code128([Data("123456")]).geometry().bars]
    assert bars[:4] == [(0, 2), (3, 1), (6, 3), (11, 1)]
    assert bars[-3:] == [(60, 3), (64, 1), (66, 2)]


def test_empty_list_is_a_start_alone():
    assert module_string(Code128([]).geometry()) == "11010010000" "11001101100" "1100011101011"
    for elements in [[["Data", ""]], [["Data", ""], ["Data", ""]], [["StartB"]]]:
        assert module_string(Code128(objects(elements)).geometry()) == module_string(Code128([]).geometry())


@pytest.mark.parametrize(
    ("elements", "character"),
    [
        ([["Data", "é"]], "é"),
        ([["Data", "AB"], ["FNC1"], ["Data", "x\u20acy"], ["Data", "ü"]], "\u20ac"),
        ([["StartC"], ["Data", "12\U0001f600"]], "\U0001f600"),
        ([["Data", "\x80"]], "\x80"),
    ],
)
def test_first_non_ascii_character_is_refused(elements, character):
    with pytest.raises(TavloError) as caught:
        Code128(objects(elements))
    assert caught.value.args == (f"Invalid character '{character}' for Code 128",)


@pytest.mark.parametrize("length", [10_000, 10_001])
def test_long_inputs(length):
    data = "".join("0123456789"[i % 10] if i % 9 < 5 else "aB\x01~"[i % 4] for i in range(length))
    elements = [["Data", data[: length // 2]], ["FNC1"], ["Data", data[length // 2 :]]]
    check_symbol(elements, Code128(objects(elements)).geometry())
    items = 1 + length // 2 + 2 * (length % 2)  # an odd count starts in B: one digit, CODE C, then pairs
    assert Code128([Data("7" * length)]).geometry().total_modules == 11 * (items + 1) + 13


# Every way to encode the units with code-set changes only, for comparison with the planner on short lists.
def fewest_characters(units: list, start) -> int:
    def fits(unit, code_set):
        if code_set == "C":
            return unit == "FNC1"
        return isinstance(unit, str) or (unit < 96 if code_set == "A" else unit >= 32)

    def walk(i, code_set, just_changed):
        if i == len(units):
            return 0
        ways = []
        pair = units[i : i + 2]
        if code_set == "C" and len(pair) == 2 and all(isinstance(u, int) and chr(u).isdigit() for u in pair):
            ways.append(1 + walk(i + 2, code_set, False))
        elif fits(units[i], code_set):
            ways.append(1 + walk(i + 1, code_set, False))
        if not just_changed:
            ways += [1 + walk(i, other, True) for other in "ABC" if other != code_set]
        return min(ways, default=10**9)

    return min(walk(0, code_set, False) for code_set in (start or "ABC"))


UNITS = st.sampled_from(["0", "1", "5", "9", "A", "z", " ", "\x00", "\x1f", "\x7f", "_", "`"])
SHORT_ELEMENTS = st.lists(
    st.one_of(
        st.lists(UNITS, min_size=1, max_size=5).map(lambda cs: ["Data", "".join(cs)]),
        st.sampled_from([["FNC1"], ["FNC2"], ["FNC3"], ["FNC4"], ["StartA"], ["StartB"], ["StartC"]]),
    ),
    max_size=5,
).filter(lambda elements: len(flat_units(elements)) <= 10)


@settings(max_examples=500, deadline=None)
@given(SHORT_ELEMENTS)
def test_no_latch_only_encoding_is_shorter(elements):
    units = flat_units(elements)
    values = check_symbol(elements, Code128(objects(elements)).geometry())
    assert len(values) - 1 == fewest_characters(units, requested_start(elements))


def zxing_reading(values: list[int]) -> tuple[str, bytes]:
    """The symbology identifier and bytes a reader reports. FNC2 and FNC3 leave no trace in the text. Only the
    first FNC1 is special: before any character it means GS1; after two digits in set C, or after one letter in
    set A or B, it means AIM and vanishes. Every other FNC1 reads as GS."""
    identifier, text, first_fnc1 = "]C0", bytearray(), True
    code_set = "ABC"[values[0] - 103]
    for v in values[1:]:
        if v == 102:
            aim = text.isdigit() and len(text) == 2 if code_set == "C" else text.isalpha() and len(text) == 1
            if first_fnc1 and (not text or aim):
                identifier = "]C2" if text else "]C1"
            else:
                text.append(0x1D)
            first_fnc1 = False
        elif code_set == "C" and v < 100:
            text += b"%02d" % v
        elif v >= 99 and not (v == 101 and code_set == "A") and not (v == 100 and code_set == "B"):
            code_set = {99: "C", 100: "B", 101: "A"}[v]
        elif v < 96:
            text.append(v - 64 if code_set == "A" and v >= 64 else v + 32)
    return identifier, bytes(text)


ELEMENTS = st.lists(
    st.one_of(
        st.text(st.characters(max_codepoint=127), min_size=1, max_size=12).map(lambda text: ["Data", text]),
        st.text("0123456789", min_size=1, max_size=12).map(lambda text: ["Data", text]),
        st.sampled_from([["FNC1"], ["FNC2"], ["FNC3"], ["StartA"], ["StartB"], ["StartC"]]),
    ),
    max_size=8,
).filter(lambda elements: any(isinstance(u, int) for u in flat_units(elements)))


@settings(max_examples=300, deadline=None)
@given(ELEMENTS)
def test_zxing_reads_the_data(elements):
    geometry = Code128(objects(elements)).geometry()
    values = check_symbol(elements, geometry)
    result = decode_one(linear_image(geometry), "Code128")
    assert (result.symbology_identifier, result.bytes) == zxing_reading(values)


def test_fnc1_first_reads_as_gs1():
    result = decode_one(linear_image(Code128([FNC1(), Data("0101234567890128")]).geometry()), "Code128")
    assert (result.symbology_identifier, result.text) == ("]C1", "(01)01234567890128")


# The element classes and the Code128 constructor as a Python caller sees them.


def test_element_reprs_and_value():
    assert repr(Data("AB12")) == 'Data("AB12")'
    assert repr(Data('a"b\\c\n')) == 'Data("a"b\\c\n")'
    assert [repr(cls()) for cls in (FNC1, FNC2, FNC3, FNC4, StartA, StartB, StartC)] == [
        "FNC1", "FNC2", "FNC3", "FNC4", "StartA", "StartB", "StartC"]  # fmt: skip
    element = Data(value="é1")
    assert element.value == "é1" and element.value is not element.value
    with pytest.raises(AttributeError):
        element.value = "x"


def test_elements_compare_by_identity():
    assert FNC1() is not FNC1() and FNC1() != FNC1()
    assert Data("A") != Data("A")
    element = FNC1()
    assert element == element and hash(element) == hash(element)


@pytest.mark.parametrize(
    ("call", "message"),
    [
        (lambda: Data(5), "argument 'value': 'int' object is not an instance of 'str'"),
        (lambda: Data(None), "argument 'value': 'None' is not an instance of 'str'"),
        (lambda: Data(), "Data.__new__() missing 1 required positional argument: 'value'"),
        (lambda: FNC1(1), "FNC1.__new__() takes 0 positional arguments but 1 was given"),
        (lambda: StartA(x=1), "StartA.__new__() got an unexpected keyword argument 'x'"),
        (lambda: Code128(), "Code128.__new__() missing 1 required positional argument: 'symbols'"),
        (lambda: Code128(iter([Data("A")])),
         "argument 'symbols': 'list_iterator' object is not an instance of 'Sequence'"),  # fmt: skip
        (lambda: Code128({Data("A")}), "argument 'symbols': 'set' object is not an instance of 'Sequence'"),
        (lambda: Code128([Data("A"), "B"]), "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
        (lambda: Code128([FNC1]), "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
        (lambda: Code128(b"AB"), "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
        (lambda: Code128([Data("é"), 5]), "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
        (lambda: Code128(range(3)), "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC"),
    ],
)
def test_binding_type_errors(call, message):
    with pytest.raises(TypeError) as caught:
        call()
    assert str(caught.value) == message


def test_a_str_is_not_a_list_of_elements():
    with pytest.raises(TypeError, match="^argument 'symbols': "):
        Code128("ABC")


def test_type_error_of_the_iteration_is_prefixed():
    class Broken:
        def __len__(self):
            raise RuntimeError("no length")

        def __getitem__(self, index):
            if index == 1:
                raise TypeError("broken item")
            return Data("A")

    with pytest.raises(TypeError, match="^argument 'symbols': broken item$"):
        Code128(Broken())


class ClaimedLength:
    """A sequence of `items` whose __len__ returns `length`, or raises it when it is an exception."""

    def __init__(self, length, items):
        self.length, self.items = length, items

    def __len__(self):
        if isinstance(self.length, BaseException):
            raise self.length
        return self.length

    def __getitem__(self, index):
        return self.items[index]


@pytest.mark.parametrize(
    "length",
    [sys.maxsize, 2**40, 2**31, 0, -1, 2**70, RuntimeError("no length"), MemoryError(), ValueError("lies")],
    ids=repr,
)
def test_the_length_is_only_a_hint(length):
    lying = Code128(ClaimedLength(length, [Data("AB")])).geometry()
    assert module_string(lying) == module_string(Code128([Data("AB")]).geometry())


class Abort(BaseException):
    """An error outside Exception, like KeyboardInterrupt and SystemExit."""


@pytest.mark.parametrize("error", [KeyboardInterrupt(), SystemExit(3), GeneratorExit(), Abort("stop")], ids=repr)
def test_an_interrupt_from_len_is_not_swallowed(error):
    with pytest.raises(type(error)) as caught:
        Code128(ClaimedLength(error, [Data("AB")]))
    assert caught.value is error and caught.value.__cause__ is None


def test_sequences_and_keyword_build_the_same_symbol():
    reference = module_string(Code128([Data("ABC")]).geometry())
    assert module_string(Code128((Data("ABC"),)).geometry()) == reference
    assert module_string(Code128(symbols=[Data("ABC")]).geometry()) == reference


def test_elements_can_be_reused():
    symbols = [StartC(), Data("1234"), FNC1(), Data("56")]
    first, second = Code128(symbols).geometry(), Code128(symbols).geometry()
    assert module_string(first) == module_string(second)
    assert symbol_values(first) == plan_values(["StartC", "12", "34", "FNC1", "56"])
    reused = Code128([symbols[1], Data("x")]).geometry()
    assert module_string(reused) == module_string(Code128([Data("1234x")]).geometry())


def test_non_ascii_data_fails_only_in_code128():
    element = Data("é")
    with pytest.raises(_tavlo.TavloError, match="^Invalid character 'é' for Code 128$"):
        Code128([element])


def test_geometry_is_a_fresh_copy():
    symbol = Code128([Data("AB")])
    first, second = symbol.geometry(), symbol.geometry()
    assert first is not second and module_string(first) == module_string(second)
