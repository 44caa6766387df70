#!/usr/bin/env bash
# Under Wine and Xvfb, the installed window (orrin-import-wizard.exe from the installer's silent
# install) on a sample agent in Access form written by the Linux sample writer:
#  1. driven by window messages (window_probe check): a close during the run that asks whether to
#     stop and, answered Yes, ends the program with exit code 1; then the caption, the three numbered
#     steps, the client size, the file dialog of step 1, the question for an empty path, a whole run
#     ending with the completion message and exit code 0;
#  2. clicked through with the mouse (xdotool) inside a Wine virtual desktop with title bars, with a
#     screenshot at each step in ARTIFACTS: the window as it opens, its file dialog in step 1, the
#     completion message after a click on the start button. The target the window wrote must equal
#     that of the Linux orrin-import run on a copy of the same files.
#
# Usage: window_under_wine.sh LINUX_BUILD_SRC SETUP_EXE WINDOW_PROBE_EXE ARTIFACTS [POLICIES]
# (WINEPREFIX names the Wine prefix to use; the install is removed again at the end.)
set -euo pipefail

win() { winepath -w "$1" | tr -d '\r'; }

# What runs inside the X server: the message test, then the click-through.
inside() {
  local wizard=$1 probe=$2 folder=$3 artifacts=$4
  echo "-- by window messages"
  wine "$probe" check "$wizard" "$(win "$folder/messages/zrv.accdb")" "$(win "$folder/messages/LIC.mdb")" |
    tr -d '\r'
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1

  echo "-- by mouse clicks"
  wine "$wizard" --orrin-db "$(win "$folder/clicks/zrv.accdb")" --agent-db "$(win "$folder/clicks/LIC.mdb")" &
  local window_pid=$!
  wine "$probe" where 102 >/dev/null || return 1
  local screen
  screen=$(xdotool search --sync --onlyvisible --name 'Wine desktop' | head -1)
  sleep 1
  import -window root "$artifacts/window-opened.png"
  # A click on the control's centre; again (up to three times) while what it opens does not come.
  click_until() {
    local id=$1 x y attempt
    shift
    read -r x y < <(wine "$probe" where "$id" | tr -d '\r') || return 1
    for attempt in 1 2 3; do
      xdotool windowfocus --sync "$screen" mousemove --window "$screen" "$x" "$y" click 1 || true
      if wine "$probe" "$@"; then
        [ "$attempt" -eq 1 ] || echo "(control $id answered click $attempt)" >&2
        return 0
      fi
    done
    return 1
  }
  click_until 102 dialog "Choose Orrin Database" 10 || { echo "FAIL: no file dialog after the click"; return 1; }
  sleep 1
  import -window root "$artifacts/window-file-dialog.png"
  wine "$probe" press-ok
  sleep 1
  click_until 108 box 60 >"$folder/message.txt" || { echo "FAIL: no completion message"; return 1; }
  local message
  message=$(tr -d '\r' <"$folder/message.txt")
  echo "completion message: $message"
  sleep 1
  import -window root "$artifacts/window-completed.png"
  case "$message" in
    "Orrin Data Import successful !!!"*) ;;
    *) echo "FAIL: the message is not the completion message"; return 1 ;;
  esac
  wine "$probe" press-ok
  local status=0
  wait "$window_pid" || status=$?
  echo "the window ended with exit code $status"
  [ "$status" -eq 0 ]
}
if [ "${1:-}" = "--inside" ]; then
  shift
  inside "$@"
  exit
fi

linux=$1
setup=$2
probe=$3
artifacts=$4
policies=${5:-300}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup --windows installs it)"
done

scratch=$(mktemp -d)
local_app_data=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
installed="$local_app_data\\Programs\\orrin-import"
desktop_key='HKCU\Software\Wine\Explorer'
cleanup() {
  wine reg delete "$desktop_key" /v Desktop /f >/dev/null 2>&1 || true
  local unix_installed
  unix_installed=$(winepath -u "$installed" 2>/dev/null | tr -d '\r')
  # _?= runs the uninstaller in place and waits for it; it leaves itself behind.
  wine "$unix_installed/uninstall.exe" /S "_?=$installed" >/dev/null 2>&1 || true
  rm -f "$unix_installed/uninstall.exe" && rmdir "$unix_installed" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

wine "$setup" /S
wizard="$installed\\orrin-import-wizard.exe"
[ -f "$(winepath -u "$wizard" | tr -d '\r')" ] || fail "the install has no orrin-import-wizard.exe"

# Three copies of one sample agent: for the messages, for the clicks, for the Linux run.
folder="$scratch/Agent Files ñandú"
mkdir -p "$folder/source"
"$linux/orrin-import-sample" --out "$folder/source" --policies "$policies" --format access >/dev/null
for copy in messages clicks linux; do cp -r "$folder/source" "$folder/$copy"; done

# Every window of the prefix opens in one virtual desktop (title bars, one X window to photograph).
wine reg add "$desktop_key" /v Desktop /d orrin /f >/dev/null
wine reg add "$desktop_key\\Desktops" /v orrin /d 800x600 /f >/dev/null
mkdir -p "$artifacts"
start=$(date +%s)

xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$wizard" "$probe" "$folder" "$artifacts" ||
  fail "the window under Wine and Xvfb"
echo "the window's runs under Xvfb took $(($(date +%s) - start)) s"

"$linux/orrin-import" --orrin-db "$folder/linux" --agent-db "$folder/linux" --bonus-db "$linux/lic.mdb" \
  --on-error continue --error-log "$scratch/linux.log" --quiet >/dev/null || true
for copy in linux messages clicks; do
  "$linux/orrin-import-dump" "$folder/$copy/LIC.mdb" >"$scratch/$copy.jsonl"
done
cmp -s "$scratch/linux.jsonl" "$scratch/clicks.jsonl" || fail "the target the clicked window wrote differs from the Linux run's"
cmp -s "$scratch/linux.jsonl" "$scratch/messages.jsonl" || fail "the target the driven window wrote differs from the Linux run's"
echo "PASS: the installed window opened, showed its three steps and its file dialog, and its run equals" \
  "the Linux run ($(wc -l <"$scratch/linux.jsonl") lines); screenshots in $artifacts"
