"""GS1 element strings and GS1 Digital Link URIs, checked against the GS1 Barcode Syntax Dictionary.

>>> from tavlo import gs1
>>> gs1.parse("(01)09501101530003(17)250101(10)ABC")
[('01', '09501101530003'), ('17', '250101'), ('10', 'ABC')]
>>> gs1.check("(01)09501101530003(17)251231(10)ABC")  # validates only: None, or TavloError as parse()
>>> gs1.digital_link("(01)09501101530003(17)250101(10)ABC")
'https://id.gs1.org/01/09501101530003/10/ABC?17=250101'
>>> gs1.element_string("https://id.gs1.org/01/09501101530003/10/ABC?17=250101")
'(01)09501101530003(10)ABC(17)250101'

Every AI's value is checked (character set, length, check digits, dates, country and currency codes, ...)
and the AIs together keep the pairing rules; a failure raises TavloError naming the AI and the rule, e.g.
"AI (17): month 13 is not a valid month". The checking runs in the C++ core.

`tavlo gs1 check TEXT` and `tavlo gs1 link TEXT [--domain D]` run main() below.
"""

from __future__ import annotations

import argparse
import sys
from collections.abc import Sequence

from _tavlo import TavloError

from . import _label

__all__ = ["parse", "check", "digital_link", "element_string", "main", "DEFAULT_DOMAIN"]

DEFAULT_DOMAIN = "https://id.gs1.org"


def _is_uri(text: str) -> bool:
    return text[:8].lower().startswith(("http://", "https://"))


def parse(text: str) -> list[tuple[str, str]]:
    """The (AI, value) pairs of a bracketed element string "(01)...(10)..." or a GS1 Digital Link URI.

    In an element string a value runs to the next "("; write "\\(" for a "(" inside a value.
    """
    return _label.gs1_parse_text(text)


def check(text: str) -> None:
    """Validates a bracketed element string or a GS1 Digital Link URI as parse() does, without making the pairs.

    Returns None for a valid text; raises parse()'s TavloError, naming the AI and the rule, for an invalid one.
    """
    _label.gs1_check(text)


def digital_link(text: str, domain: str = DEFAULT_DOMAIN) -> str:
    """The GS1 Digital Link URI of an element string (or of another URI, moved to `domain`).

    The primary key and its qualifiers, in the order the dictionary gives them, make the path; the other
    AIs go into the query, if they may be data attributes. Values are percent-encoded.
    """
    if _is_uri(text):
        text = _label.gs1_element_string(text)
    return _label.gs1_link(text, domain)


def element_string(text: str) -> str:
    """The bracketed element string of a GS1 Digital Link URI (or of an element string, checked)."""
    if _is_uri(text):
        return _label.gs1_element_string(text)
    _label.gs1_parse(text)
    return text


def main(argv: Sequence[str] | None = None) -> int:
    """`tavlo gs1 check TEXT` prints the elements, one "(AI) value" a line; `tavlo gs1 link TEXT` the URI.

    Returns the exit status: 0, or 1 with the reason on standard error when the text is refused.
    """
    parser = argparse.ArgumentParser(prog="tavlo gs1", description="Check GS1 element strings and Digital Link URIs.")
    commands = parser.add_subparsers(dest="command", required=True)
    check = commands.add_parser("check", help="validate an element string or a GS1 Digital Link URI")
    check.add_argument("text")
    link = commands.add_parser("link", help="the GS1 Digital Link URI of an element string")
    link.add_argument("text")
    link.add_argument("--domain", default=DEFAULT_DOMAIN, help=f"scheme, domain and path stem (default {DEFAULT_DOMAIN})")
    args = parser.parse_args(argv)
    try:
        if args.command == "check":
            for ai, value in parse(args.text):
                print(f"({ai}) {value}")
        else:
            print(digital_link(args.text, args.domain))
    except TavloError as error:
        print(f"tavlo gs1: {error}", file=sys.stderr)
        return 1
    return 0
