#!/usr/bin/env bash
# Runs a command in the foreground on a private X desktop (the shared
# scripts/lib/xsession.sh: Xvfb on a free display, openbox), with Qt on xcb;
# the desktop is stopped when the command ends.
root="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
at_exit xsession_stop

xsession_start "$work"
mkdir -p "$work/run"
chmod 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb "$@"
