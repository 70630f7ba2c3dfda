#!/usr/bin/env bash
# The Linux build with AddressSanitizer and UndefinedBehaviorSanitizer and
# every test of it (the check workflow); the engine and maths suites with the
# scalar forms only (FENNROW_NO_SIMD), which no other build compiles and which
# the SIMD paths must match bit for bit; then the optimised build with the
# benchmarks and the maths checks against MPFR, built so that they keep
# building (they are run by hand: they time, or take minutes).
set -euo pipefail
source tools/setup/stage.sh
FENNROW_STAGE=linux
# The page tests skip themselves without a browser and Node; here they must run.
need_commands chromium:chromium node:nodejs python3:python3 zip:zip unzip:unzip emcc:emscripten

cmake --preset web >/dev/null
cmake --preset check
cmake --preset no-simd >/dev/null
cmake --preset bench >/dev/null
configure_only && exit 0

# fennrow-studio's page plays with the web build's module, which the check
# build embeds when it finds it at configure time: build it first, configure
# again, and let the page test fail rather than fall back to the studio's
# renders.
cmake --build --preset web
cmake --preset check >/dev/null
export FENNROW_STUDIO_REQUIRE_ENGINE=1
cmake --build --preset check
ctest --preset check
cmake --build --preset no-simd
build/no-simd/tests/fennrow_engine_tests --gtest_brief=1
build/no-simd/tests/fennrow_maths_tests --gtest_brief=1
cmake --build --preset bench
