#!/usr/bin/env bash
# Under Wine, as an ordinary user: the installer's silent install puts the window, the three other
# programs and lic.mdb into %LOCALAPPDATA%\Programs\orrin-import, makes the Start-menu folder and the uninstall
# entry (the window's first), and the installed orrin-import.exe runs; the silent uninstall takes all of it away again.
#
# Usage: installer_under_wine.sh SETUP_EXE   (WINEPREFIX names the Wine prefix to use)
set -euo pipefail
setup=$1

unix_of() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
local_app_data=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
folder=$(unix_of "$local_app_data\\Programs\\orrin-import")
start_menu=$(unix_of "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Orrin Data Import Wizard")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wine "$setup" /S
for file in orrin-import-wizard.exe orrin-import.exe orrin-import-dump.exe orrin-import-sample.exe lic.mdb uninstall.exe; do
  [ -f "$folder/$file" ] || fail "the install left out $file"
done
[ -f "$start_menu/Orrin Data Import Wizard.lnk" ] || fail "no Start-menu entry for the window in $start_menu"
[ -f "$start_menu/Orrin Data Import.lnk" ] || fail "no Start-menu entry in $start_menu"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\orrin-import' /v DisplayName \
  2>/dev/null | grep -q 'Orrin Data Import Wizard' || fail "no uninstall entry"
version=$(wine "$folder/orrin-import.exe" --version | tr -d '\r' | head -1)
[ "$version" = "orrin-import 1.0.0" ] || fail "the installed program says '$version'"
echo "installed into $folder; $version"

# _?= runs the uninstaller in place and waits for it (it would copy itself away and return at once).
wine "$folder/uninstall.exe" /S "_?=$local_app_data\\Programs\\orrin-import"
rm -f "$folder/uninstall.exe" && rmdir "$folder" 2>/dev/null || true
for file in orrin-import-wizard.exe orrin-import.exe orrin-import-dump.exe orrin-import-sample.exe lic.mdb; do
  [ ! -e "$folder/$file" ] || fail "the uninstall left $file"
done
[ ! -e "$start_menu" ] || fail "the uninstall left the Start-menu folder"
if wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\orrin-import' >/dev/null 2>&1; then
  fail "the uninstall left its entry"
fi
echo "PASS: silent install and uninstall"
