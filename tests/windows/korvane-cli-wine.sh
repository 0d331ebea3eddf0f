#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# korvane-cli.exe ($KORVANE_WINDOWS_CLI) under Wine, for scripts that take a
# program to run (tests/snapshot.sh).
exec "$(dirname "$0")/wine.sh" "${KORVANE_WINDOWS_CLI:?the path of korvane-cli.exe}" "$@"
