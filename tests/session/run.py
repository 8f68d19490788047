"""Runs one session journey (see harness.run for the arguments)."""

import sys

import everyday
import faults
from harness import run

JOURNEYS = {**faults.JOURNEYS, **everyday.JOURNEYS}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv[1:]))
