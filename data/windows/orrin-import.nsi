; The Windows installer (makensis, from scripts/build-windows): per user, without administrator
; rights, into %LOCALAPPDATA%\Programs\orrin-import: the window and the three other programs with the
; bonus database lic.mdb beside them, a Start-menu folder whose first entry opens the window, an
; uninstaller and its entry among the user's programs.
; The build defines VERSION, SOURCE_DIR (the folder holding the programs) and OUT_FILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Orrin Data Import Wizard"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\orrin-import"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
Icon "orrin-import.ico"
UninstallIcon "orrin-import.ico"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\orrin-import"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Orrin Data Import Wizard's authors"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Programs"
  SetOutPath "$INSTDIR"
  File "${SOURCE_DIR}/orrin-import-wizard.exe"
  File "${SOURCE_DIR}/orrin-import.exe"
  File "${SOURCE_DIR}/orrin-import-dump.exe"
  File "${SOURCE_DIR}/orrin-import-sample.exe"
  File "${SOURCE_DIR}/lic.mdb"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\orrin-import-wizard.exe" "" \
    "$INSTDIR\orrin-import-wizard.exe" 0
  ; A command prompt in the programs' folder that shows how orrin-import is run.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Orrin Data Import.lnk" "$SYSDIR\cmd.exe" \
    '/k "cd /d "$INSTDIR" && orrin-import.exe --help"' "$INSTDIR\orrin-import.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orrin-import-wizard.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\orrin-import-wizard.exe"
  Delete "$INSTDIR\orrin-import.exe"
  Delete "$INSTDIR\orrin-import-dump.exe"
  Delete "$INSTDIR\orrin-import-sample.exe"
  Delete "$INSTDIR\lic.mdb"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Orrin Data Import.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
