; The Quirewell installer: the programs and the help into Program Files, a Start-menu shortcut,
; and an uninstaller registered with Windows; nothing is written anywhere else.
; Defines: VERSION, ARCH (win32 or win64), STAGE (the folder with the files), OUTFILE.

Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
  !define PROGRAMS_DIR "$PROGRAMFILES64"
!else
  !define PROGRAMS_DIR "$PROGRAMFILES32"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quirewell"

Name "Quirewell ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS_DIR}\Quirewell"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Quirewell"
VIAddVersionKey /LANG=1033 "FileDescription" "Quirewell ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Quirewell developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext all
!if "${ARCH}" == "win64"
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
  SetShellVarContext all
!if "${ARCH}" == "win64"
  SetRegView 64
!endif
FunctionEnd

Section "Quirewell"
  SetOutPath "$INSTDIR"
  File "${STAGE}\Quirewell.exe"
  File "${STAGE}\quirewell-cli.exe"
  File "${STAGE}\faxinfo.exe"
  File "${STAGE}\Quirewell.chm"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Quirewell"
  CreateShortcut "$SMPROGRAMS\Quirewell\Quirewell.lnk" "$INSTDIR\Quirewell.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quirewell ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Quirewell developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quirewell.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Quirewell.exe"
  Delete "$INSTDIR\quirewell-cli.exe"
  Delete "$INSTDIR\faxinfo.exe"
  Delete "$INSTDIR\Quirewell.chm"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Quirewell\Quirewell.lnk"
  RMDir "$SMPROGRAMS\Quirewell"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
