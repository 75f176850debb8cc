#!/usr/bin/env bash
# The IMAP benchmark in one command: builds it (release, no sanitizers) and runs it against a
# private Dovecot. Options go to the benchmark, e.g. --accounts 20 --rounds 7 --delay-ms 10.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target postwacht_imap_bench -j2 >/dev/null
exec bash tests/bench/run-bench.sh build/release/tests/bench/postwacht_imap_bench "$@"
