"""`python -m tavlo`: the same command line as the `tavlo` script."""

import sys

from .cli import main

sys.exit(main())
