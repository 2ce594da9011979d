#!/usr/bin/env python3
"""Writes core/src/gs1/ai_table.inc and core/src/gs1/code_lists.inc from the GS1 Barcode Syntax Dictionary.

Run from the repository root with pycountry installed (it is needed here only, never at build or run time):

    python3 scripts/gen_gs1_table.py [--dictionary ../shared/gs1/gs1-syntax-dictionary.txt]

Regenerating from the same dictionary commit and pycountry release gives the same files byte for byte; the
commit and the release are written into the files' headers with the dictionary's Apache-2.0 notice.
"""

from __future__ import annotations

import argparse
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DICTIONARY = ROOT.parent / "shared" / "gs1" / "gs1-syntax-dictionary.txt"
# The dictionary's origin, as its README beside it records it.
SOURCE_COMMIT = "ff2eb4b"

# Every content check ("linter") the C++ side implements (core/src/gs1/linters.cpp); a name the dictionary
# uses that is missing here stops the generator, so a new dictionary release cannot slip past unchecked.
LINTERS = [
    "couponcode", "couponposoffer", "csum", "csumalpha", "gcppos1", "gcppos2", "hasnondigit", "hh", "hhmi",
    "hyphen", "iban", "importeridx", "iso3166", "iso3166999", "iso3166alpha2", "iso4217", "iso5218", "latitude",
    "longitude", "mediatype", "mi", "nonzero", "nozeroprefix", "packagetype", "pcenc", "pieceoftotal",
    "posinseqslash", "ss", "winding", "yesno", "yymmd0", "yymmdd", "yyyymmdd", "zero",
]
MAX_COMPONENTS = 5
MAX_LINTERS = 3

# The GS1 PackageTypeCode code list (used by AI 7041), in the order of the code list.
PACKAGE_TYPES = """
1A 1B 1D 1F 1G 1W 200 201 202 203 204 205 206 210 211 212 2C 3A 3H 43 44 4A 4B 4C 4D 4F 4G 4H 5H 5L 5M 6H 6P 7A 7B
8 8A 8B 8C 9 AA AB AC AD AF AG AH AI AJ AL AM AP APE AT AV B4 BB BC BD BE BF BG BGE BH BI BJ BK BL BM BME BN BO BP
BQ BR BRI BS BT BU BV BW BX BY BZ CA CB CBL CC CCE CD CE CF CG CH CI CJ CK CL CM CN CO CP CQ CR CS CT CU CV CW CX CY
CZ DA DB DC DG DH DI DJ DK DL DM DN DP DPE DR DS DT DU DV DW DX DY E1 E2 E3 EC ED EE EF EG EH EI EN FB FC FD FE FI
FL FO FOB FP FPE FR FT FW FX GB GI GL GR GU GY GZ HA HB HC HG HN HR IA IB IC ID IE IF IG IH IK IL IN IZ JB JC JG JR
JT JY KG KI LAB LE LG LT LU LV LZ MA MB MC ME MPE MR MS MT MW MX NA NE NF NG NS NT NU NV OA OB OC OD OE OF OK OPE
OT OU P2 PA PAE PB PC PD PE PF PG PH PI PJ PK PL PLP PN PO POP PP PPE PR PT PU PUE PV PX PY PZ QA QB QC QD QF QG QH
QJ QK QL QM QN QP QQ QR QS RB1 RB2 RB3 RCB RD RG RJ RK RL RO RT RZ S1 SA SB SC SD SE SEC SH SI SK SL SM SO SP SS ST
STL SU SV SW SX SY SZ T1 TB TC TD TE TEV TG THE TI TK TL TN TO TR TRE TS TT TTE TU TV TW TWE TY TZ UC UN UUE VA VG
VI VK VL VN VO VP VQ VR VS VY WA WB WC WD WF WG WH WJ WK WL WM WN WP WQ WR WRP WS WT WU WV WW WX WY WZ X11 X12 X15
X16 X17 X18 X19 X20 X3 XA XB XC XD XF XG XH XJ XK YA YB YC YD YF YG YH YJ YK YL YM YN YP YQ YR YS YT YV YW YX YY YZ
ZA ZB ZC ZD ZF ZG ZH ZJ ZK ZL ZM ZN ZP ZQ ZR ZS ZT ZU ZV ZW ZX ZY ZZ
""".split()

COMPONENT = re.compile(r"^(\[)?([NXYZ])(\d+)?(?:\.\.(\d+))?(\])?((?:,[a-z0-9]+)*)$")
FLAG_CHARS = set("*!?\"$%&'()+,-./:;<=>@[\\]^_`{|}~")


def license_header(path: Path) -> list[str]:
    """The dictionary's copyright and license lines, kept with every table made from it."""
    lines = path.read_text(encoding="utf-8").splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("# Copyright"))
    end = next(i for i in range(start, len(lines)) if "limitations under the License." in lines[i])
    return ["// " + line[2:].rstrip() if line.startswith("# ") else "//" for line in lines[start : end + 1]]


def parse_component(token: str) -> tuple[str, int, int, bool, list[str]]:
    match = COMPONENT.match(token)
    if not match:
        sys.exit(f"unparsed component {token!r}")
    opening, cset, fixed, most, closing, linters = match.groups()
    if bool(opening) != bool(closing):
        sys.exit(f"unbalanced brackets in {token!r}")
    names = [name for name in linters.split(",") if name]
    for name in names:
        if name not in LINTERS:
            sys.exit(f"linter {name!r} of component {token!r} is not implemented")
    if most is not None:
        low, high = (int(fixed) if fixed else 1), int(most)
    else:
        low = high = int(fixed)
    return cset, low, high, bool(opening), names


def parse_entries(path: Path) -> list[dict]:
    entries = []
    for raw in path.read_text(encoding="utf-8").splitlines():
        if not raw.strip() or raw.startswith("#"):
            continue
        body, _, title = raw.partition("#")
        tokens = body.split()
        first, _, last = tokens.pop(0).partition("-")
        last = last or first
        flags = tokens.pop(0) if tokens and set(tokens[0]) <= FLAG_CHARS else ""
        components, attributes = [], {"req": [], "ex": [], "dlpkey": None}
        for token in tokens:
            if token.startswith("req=") or token.startswith("ex="):
                key, _, value = token.partition("=")
                attributes[key].append(value)
            elif token == "dlpkey" or token.startswith("dlpkey="):
                attributes["dlpkey"] = token.partition("=")[2]
            else:
                if attributes["req"] or attributes["ex"] or attributes["dlpkey"] is not None:
                    sys.exit(f"component after attributes in {raw!r}")
                components.append(parse_component(token))
        if len(components) > MAX_COMPONENTS or any(len(c[4]) > MAX_LINTERS for c in components):
            sys.exit(f"too many components or linters in {raw!r}")
        entries.append(dict(first=first, last=last, separator="*" not in flags, dl_attribute="?" in flags,
                            components=components, title=title.strip(), **attributes))
    keys = [(e["first"]) for e in entries]
    if keys != sorted(keys):
        sys.exit("dictionary entries are not in lexical order")
    return entries


def cpp_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def cpp_component(component: tuple) -> str:
    cset, low, high, optional, linters = component
    names = ", ".join("L::" + name for name in linters)
    return f"{{'{cset}', {low}, {high}, {str(optional).lower()}, {{{names}}}}}"


def ai_table(entries: list[dict], header: list[str]) -> str:
    out = [
        "// The GS1 Application Identifiers, one row per entry of the GS1 Barcode Syntax Dictionary: AI range,",
        "// whether an FNC1 separator must follow a value that is not last, whether it may be a Digital Link data",
        "// attribute, its components (character set, least and most length, optional, content checks), the",
        "// req= and ex= rules (several req= rules joined by ';'), the dlpkey qualifiers and the title.",
        f"// Generated by scripts/gen_gs1_table.py from gs1/gs1-syntax-dictionary commit {SOURCE_COMMIT}: do not edit.",
        "//",
        *header,
        "// clang-format off",
    ]
    for e in entries:
        components = ", ".join(cpp_component(c) for c in e["components"])
        dlpkey = e["dlpkey"]
        out.append(
            f"{{{cpp_string(e['first'])}, {cpp_string(e['last'])}, {str(e['separator']).lower()}, "
            f"{str(e['dl_attribute']).lower()}, {len(e['components'])}, {{{{{components}}}}}, "
            f"{cpp_string(';'.join(e['req']))}, {cpp_string(','.join(e['ex']))}, "
            f"{str(dlpkey is not None).lower()}, {cpp_string(dlpkey or '')}, {cpp_string(e['title'])}}},"
        )
    out.append("// clang-format on")
    return "\n".join(out) + "\n"


def wrapped(items: list[str], indent: str = "    ", width: int = 116) -> list[str]:
    lines, line = [], indent
    for item in items:
        if len(line) + len(item) + 1 > width:
            lines.append(line.rstrip())
            line = indent
        line += item + ", "
    lines.append(line.rstrip())
    return lines


def code_lists(header: list[str]) -> str:
    import importlib.metadata

    import pycountry

    release = importlib.metadata.version("pycountry")
    numeric = sorted({c.numeric for c in pycountry.countries})
    alpha2 = sorted({c.alpha_2 for c in pycountry.countries})
    currencies = sorted({c.numeric for c in pycountry.currencies})
    out = [
        "// Code lists the GS1 content checks look values up in, each sorted for binary search: ISO 3166-1",
        "// numeric and alpha-2 country codes and ISO 4217 numeric currency codes (from the ISO data of pycountry",
        f"// {release}), and the GS1 PackageTypeCode list (AI 7041).",
        "// Generated by scripts/gen_gs1_table.py: do not edit. The package type list is GS1's, under the notice",
        "// below like the dictionary the tables come with.",
        "//",
        *header,
        "// clang-format off",
        "constexpr std::string_view iso3166_numeric[] = {",
        *wrapped([cpp_string(code) for code in numeric]),
        "};",
        "constexpr std::string_view iso3166_alpha2[] = {",
        *wrapped([cpp_string(code) for code in alpha2]),
        "};",
        "constexpr std::string_view iso4217_numeric[] = {",
        *wrapped([cpp_string(code) for code in currencies]),
        "};",
        "constexpr std::string_view package_types[] = {",
        *wrapped([cpp_string(code) for code in sorted(PACKAGE_TYPES)]),
        "};",
        "// clang-format on",
    ]
    return "\n".join(out) + "\n"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dictionary", type=Path, default=DICTIONARY)
    args = parser.parse_args()
    header = license_header(args.dictionary)
    entries = parse_entries(args.dictionary)
    (ROOT / "core/src/gs1/ai_table.inc").write_text(ai_table(entries, header), encoding="utf-8")
    (ROOT / "core/src/gs1/code_lists.inc").write_text(code_lists(header), encoding="utf-8")
    print(f"{len(entries)} dictionary entries")


if __name__ == "__main__":
    main()
