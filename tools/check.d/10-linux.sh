#!/usr/bin/env bash
# The Linux build with AddressSanitizer and UndefinedBehaviorSanitizer, and
# every test of it.
set -euo pipefail
cmake --workflow --preset check
