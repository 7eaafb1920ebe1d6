#!/usr/bin/env bash
# Replays a fuzz target's stored corpus, then lets it explore for SECONDS.
# New inputs and any crash go to ARTIFACT_DIR, never into the stored corpus.
# Usage: run-target.sh TARGET CORPUS_DIR ARTIFACT_DIR SECONDS
set -euo pipefail
target=$1
corpus=$2
artifacts=$3
seconds=$4
rm -rf "$artifacts"
mkdir -p "$artifacts/explored"
"$target" -runs=0 "$corpus"
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=70000 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$artifacts/explored" "$corpus"
