#!/usr/bin/env bash
# Exits 0 when this host can run 32-bit Windows programs under Wine. Some
# hosts cannot execute any 32-bit code (paravirtualised guests, kernels built
# without 32-bit emulation): there Wine's 32-bit loader fails with
# "Exec format error" and only 64-bit programs run.
# Usage: tools/host-runs-32bit.sh
/usr/lib/wine/wine --version >/dev/null 2>&1
