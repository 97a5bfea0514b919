; The Quirewell installer: the programs and the help into Program Files, a Start-menu shortcut,
; and an uninstaller registered with Windows; nothing is written anywhere else. A running Quirewell
; is asked to close first, and started again for its user after an upgrade.
; Defines: VERSION, ARCH (win32 or win64), STAGE (the folder with the files), OUTFILE, and
; SIGN (a command that signs the file %1) when the uninstaller is to be signed.

Unicode true
!include LogicLib.nsh
!if "${ARCH}" == "win64"
  Target amd64-unicode
  !define PROGRAMS_DIR "$PROGRAMFILES64"
!else
  !define PROGRAMS_DIR "$PROGRAMFILES32"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quirewell"
!ifdef SIGN
  !uninstfinalize '${SIGN}' = 0
!endif

Name "Quirewell ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS_DIR}\Quirewell"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be replaced fails the installation (exit code 2 with /S), never skipped with
; the old file left in place.
AllowSkipFiles off
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

; Pushes 1 when a Quirewell window runs in this session (its mutex exists, or exists and may not be
; opened by this account) or a program file in $INSTDIR is in use (run by another user, a scheduled
; quirewell-cli.exe, a window that is still ending), 0 otherwise.
!macro IF_IN_USE FILE
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    ClearErrors
    FileOpen $1 "$INSTDIR\${FILE}" a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
!macroend
!macro IN_USE_FUNCTION UN
Function ${UN}QuirewellInUse
  Push $0
  Push $1
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\Quirewell.Running") p .r0 ?e'
  Pop $1
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $0 1
  ${ElseIf} $1 = 5
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
    !insertmacro IF_IN_USE "Quirewell.exe"
    !insertmacro IF_IN_USE "quirewell-cli.exe"
    !insertmacro IF_IN_USE "faxinfo.exe"
    !insertmacro IF_IN_USE "quirewell-restart.exe"
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro IN_USE_FUNCTION ""
!insertmacro IN_USE_FUNCTION "un."

; Asks every Quirewell window of the session to close ("Quirewell.Quit", wParam this process's id,
; lParam 1 to be started again once this process has ended) and waits until nothing of Quirewell is
; in use. A window answers how far the merge it finishes first has come; the wait ends 10 seconds
; after the last sign of progress. Then a window offers Retry and Cancel; /S (or Cancel) fails the
; run with exit code 2, so that success is never reported over old files.
!macro CLOSE_FUNCTION UN START_AGAIN
Function ${UN}CloseQuirewell
  System::Call 'user32::RegisterWindowMessageW(w "Quirewell.Quit") i .r5'
  System::Call 'kernel32::GetCurrentProcessId() i .r6'
  StrCpy $4 ""
  ${Do}
    StrCpy $7 ""
    StrCpy $8 0
    ${Do}
      StrCpy $0 0
      StrCpy $2 ""
      ${Do}
        FindWindow $0 "#32770" "Quirewell" "" $0
        ${If} $0 = 0
          ${ExitDo}
        ${EndIf}
        SendMessage $0 $5 $6 ${START_AGAIN} $1 /TIMEOUT=2000
        StrCpy $2 "$2 $1"
      ${Loop}
      Call ${UN}QuirewellInUse
      Pop $3
      ${If} $3 = 0
        Return
      ${EndIf}
      ${If} $4 != "told"
        DetailPrint "Closing Quirewell..."
        StrCpy $4 "told"
      ${EndIf}
      ${If} $2 != $7
        StrCpy $8 0
        StrCpy $7 $2
      ${EndIf}
      IntOp $8 $8 + 1
      Sleep 100
    ${LoopUntil} $8 > 100
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quirewell is still running and did not close.$\r$\n$\r$\nEnd it with Exit in the menu of its icon in the notification area (and end any merge with quirewell-cli.exe), then press Retry." /SD IDCANCEL IDRETRY retry
    DetailPrint "Quirewell is still running: nothing was changed."
    SetErrorLevel 2
    Abort
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_FUNCTION "" 1
!insertmacro CLOSE_FUNCTION "un." 0

Section "Quirewell"
  Call CloseQuirewell
  SetOutPath "$INSTDIR"
  File "${STAGE}\Quirewell.exe"
  File "${STAGE}\quirewell-cli.exe"
  File "${STAGE}\faxinfo.exe"
  File "${STAGE}\quirewell-restart.exe"
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
  Call un.CloseQuirewell
  Delete "$INSTDIR\Quirewell.exe"
  Delete "$INSTDIR\quirewell-cli.exe"
  Delete "$INSTDIR\faxinfo.exe"
  Delete "$INSTDIR\quirewell-restart.exe"
  Delete "$INSTDIR\Quirewell.chm"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Quirewell\Quirewell.lnk"
  RMDir "$SMPROGRAMS\Quirewell"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
