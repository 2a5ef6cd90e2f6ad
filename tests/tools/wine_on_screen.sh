#!/usr/bin/env bash
# Runs a Windows test program under Wine on the Windows platform, drawing on an Xvfb
# screen of its own in a fresh Wine prefix: the faces and the font engine are then Wine's
# own, as kalora.exe gets them, where the other window tests draw offscreen.
# Usage: wine_on_screen.sh WINE PROGRAM [ARGS...]
wine=$1
shift
source "$(dirname "$0")/package_lib.sh"
fresh_wine_prefix "$wine"
start_desktop_session
WINEQT_QPA_PLATFORM=windows WINEQT_FORCE_STDERR_LOGGING=1 "$wine" "$@"
