#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Datemark and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
exec build/release/src/datemark "$@"
