"""Runs one session journey: run.py JOURNEY --wm openbox|none --build DIR --out DIR"""

import sys

import everyday
import faults
from harness import run

JOURNEYS = {**faults.JOURNEYS, **everyday.JOURNEYS}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv[1:]))
