; Korvane's setup program: a per-user install (no elevation) with a start at
; sign-in, an upgrade in place that ends a running Korvane the way its menu's
; Exit does, and an uninstaller that undoes the install step by step.
;   makensis -DKORVANE_VERSION=<a.b.c.d> -DKORVANE_FILES=<folder> \
;            -DKORVANE_OUTFILE=<setup.exe> [-DKORVANE_TARGET=amd64-unicode] \
;            [-DKORVANE_EXIT_WAIT_MS=<ms>] installer/Korvane.nsi
; KORVANE_FILES holds Korvane.exe, QELWmiAcpi.dll and LICENSE.txt. The shipped
; setup program is x86-unicode with the 32-bit files; tests build the same
; script for the architecture they run.
;
; Command line: /S silent, /D=<folder> (last), /NOAUTOSTART no start at
; sign-in, /LAUNCH start Korvane at the end. Exit codes: 0 installed,
; 1 cancelled, 2 the folder cannot be written, 3 a running Korvane did not end.

!ifndef KORVANE_VERSION
  !error "KORVANE_VERSION is missing (scripts/dist reads it from res/version.h)"
!endif
!ifndef KORVANE_FILES
  !error "KORVANE_FILES is missing: the folder of Korvane.exe, QELWmiAcpi.dll, LICENSE.txt"
!endif
!ifndef KORVANE_OUTFILE
  !error "KORVANE_OUTFILE is missing"
!endif
!ifndef KORVANE_TARGET
  !define KORVANE_TARGET x86-unicode
!endif
; How long a running Korvane gets to restore the default clocks and end.
!ifndef KORVANE_EXIT_WAIT_MS
  !define KORVANE_EXIT_WAIT_MS 15000
!endif

!define PUBLISHER "The Korvane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SHORTCUT "$SMPROGRAMS\Korvane.lnk"
; Korvane's hidden main dialog and its menu command Exit.
!define KORVANE_WINDOW_CLASS "#32770"
!define KORVANE_WINDOW_CAPTION "NVIDIA Korvane"
!define IDM_EXIT 303

!define EXIT_CANNOT_WRITE 2
!define EXIT_STILL_RUNNING 3

Target ${KORVANE_TARGET}
Name "Korvane"
OutFile "${KORVANE_OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Korvane"
; An upgrade goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
BrandingText "Korvane ${KORVANE_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${KORVANE_VERSION}"
VIAddVersionKey "ProductName" "Korvane"
VIAddVersionKey "ProductVersion" "${KORVANE_VERSION}"
VIAddVersionKey "FileVersion" "${KORVANE_VERSION}"
VIAddVersionKey "FileDescription" "Korvane setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "MIT License, ${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Win\WinNT.nsh

Var SignIn       ; 1: the Run value is written
Var Launch       ; 1: /LAUNCH was given
Var SignInBox
Var CreatedTop   ; the outermost folder of $INSTDIR this run created, or ""
Var KorvaneState ; after EndKorvane: none, ended or running
Var Started      ; 1: this run started Korvane

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${KORVANE_FILES}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
Page custom SignInPageShow SignInPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Korvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Korvane"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks a running Korvane of this session (FindWindow sees only this desktop)
; to end through its menu's Exit, which restores the default clocks and
; clears the AP bit, and waits a bounded time for its process. Never kills:
; a killed Korvane would leave the clocks as they are. The command is posted,
; so a Korvane that does not answer cannot hold setup.
; Sets $KorvaneState to none, ended or running.
!macro END_KORVANE_FUNCTION un
Function ${un}EndKorvane
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $KorvaneState none
  ; A Korvane that starts while another one ends is met on the next round.
  ${For} $4 1 3
    FindWindow $0 "${KORVANE_WINDOW_CLASS}" "${KORVANE_WINDOW_CAPTION}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    DetailPrint "Asking the running Korvane to restore the default clocks and end..."
    StrCpy $KorvaneState running
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
    ${If} $2 P= 0
      ${Break}
    ${EndIf}
    System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${IDM_EXIT}, p 0) i .r3'
    ${If} $3 <> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i ${KORVANE_EXIT_WAIT_MS}) i .r3'
    ${Else}
      StrCpy $3 -1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
    ${If} $3 <> 0
      ${Break}
    ${EndIf}
    StrCpy $KorvaneState ended
  ${Next}
  ${If} $KorvaneState == ended
    FindWindow $0 "${KORVANE_WINDOW_CLASS}" "${KORVANE_WINDOW_CAPTION}"
    ${If} $0 <> 0
      StrCpy $KorvaneState running
    ${EndIf}
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_KORVANE_FUNCTION ""
!insertmacro END_KORVANE_FUNCTION "un."

!macro STILL_RUNNING_MESSAGE
  MessageBox MB_OK|MB_ICONSTOP "Korvane is running and did not end when asked.$\r$\n$\r$\nNothing was changed. End Korvane from its menu (Exit), then run this program again." /SD IDOK
!macroend

; Sets $0 to the folder given with /D=, or "" when none was given. NSIS cuts
; /D= off $CMDLINE, so the process's own command line is read.
Function GivenFolder
  System::Call 'kernel32::GetCommandLineW() t .r1'
  StrCpy $0 ""
  StrLen $2 $1
  ${Do}
    IntOp $2 $2 - 1
    ${If} $2 < 0
      ${Break}
    ${EndIf}
    StrCpy $3 $1 4 $2
    ${If} $3 S== " /D="
      IntOp $2 $2 + 4
      StrCpy $0 $1 "" $2
      ${Break}
    ${EndIf}
  ${Loop}
FunctionEnd

; Removes a trailing backslash from var (clobbers $9).
!macro TRIM_BACKSLASH var
  StrCpy $9 ${var} "" -1
  ${If} $9 == "\"
    StrCpy ${var} ${var} -1
  ${EndIf}
!macroend

Function .onInit
  ; NSIS puts its default folder in place of a /D= folder it refuses (one
  ; with a file on its way, or without a drive): setup stops rather than
  ; install somewhere the user did not ask for.
  Call GivenFolder
  ${If} $0 != ""
    StrCpy $1 $INSTDIR
    !insertmacro TRIM_BACKSLASH $0
    !insertmacro TRIM_BACKSLASH $1
    ${If} $0 != $1
      MessageBox MB_OK|MB_ICONSTOP "Setup cannot install into the folder$\r$\n$0$\r$\n$\r$\nNothing was installed. Choose a folder you can write to." /SD IDOK
      SetErrorLevel ${EXIT_CANNOT_WRITE}
      Abort
    ${EndIf}
  ${EndIf}

  StrCpy $SignIn 1
  StrCpy $Launch 0
  StrCpy $Started 0
  ; An upgrade keeps the sign-in choice of the install before it.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    ReadRegStr $1 HKCU "${RUN_KEY}" "Korvane"
    ${If} $1 == ""
      StrCpy $SignIn 0
    ${EndIf}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    StrCpy $SignIn 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/LAUNCH" $1
  ${IfNot} ${Errors}
    StrCpy $Launch 1
  ${EndIf}
FunctionEnd

Function SignInPageShow
  !insertmacro MUI_HEADER_TEXT "Start with Windows" "Choose whether Korvane starts when you sign in."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "Start Korvane when I sign in"
  Pop $SignInBox
  ${If} $SignIn = 1
    ${NSD_Check} $SignInBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function SignInPageLeave
  ${NSD_GetState} $SignInBox $SignIn
FunctionEnd

Function FinishPageShow
  ; Korvane runs already: the page does not offer a second start.
  ${If} $Started = 1
    ${NSD_Uncheck} $mui.FinishPage.Run
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; Sets $CreatedTop to the outermost folder on the way to $INSTDIR that does
; not exist yet.
Function FindMissingFolders
  StrCpy $CreatedTop ""
  StrCpy $0 $INSTDIR
  ${Do}
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $CreatedTop $0
    ${GetParent} $0 $1
    ${If} $1 == ""
    ${OrIf} $1 == $0
      ${Break}
    ${EndIf}
    StrCpy $0 $1
  ${Loop}
FunctionEnd

; Undoes a run that failed before it replaced anything: the new files written
; beside the old ones, then the folders this run created (only when empty).
Function DropNewFiles
  Delete "$INSTDIR\Korvane.exe.new"
  Delete "$INSTDIR\QELWmiAcpi.dll.new"
  Delete "$INSTDIR\LICENSE.txt.new"
  Delete "$INSTDIR\uninstall.exe.new"
  ${If} $CreatedTop != ""
    StrCpy $0 $INSTDIR
    ${Do}
      RMDir $0
      ${If} $0 == $CreatedTop
        ${Break}
      ${EndIf}
      ${GetParent} $0 $0
    ${LoopUntil} $0 == ""
  ${EndIf}
FunctionEnd

!macro REPLACE_FILE name
  ${If} ${FileExists} "$INSTDIR\${name}"
    Delete "$INSTDIR\${name}"
  ${EndIf}
  Rename "$INSTDIR\${name}.new" "$INSTDIR\${name}"
!macroend

Section "Korvane"
  SectionIn RO
  ; The new files go beside the old ones first, under other names, so that a
  ; folder that cannot be written stops setup before anything has changed.
  Call FindMissingFolders
  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  SetOverwrite try
  File "/oname=Korvane.exe.new" "${KORVANE_FILES}/Korvane.exe"
  File "/oname=QELWmiAcpi.dll.new" "${KORVANE_FILES}/QELWmiAcpi.dll"
  File "/oname=LICENSE.txt.new" "${KORVANE_FILES}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe.new"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\uninstall.exe.new"
    Call DropNewFiles
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot write to the folder$\r$\n$INSTDIR$\r$\n$\r$\nNothing was installed. Choose a folder you can write to." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}

  Call EndKorvane
  ${If} $KorvaneState == running
    Call DropNewFiles
    !insertmacro STILL_RUNNING_MESSAGE
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort
  ${EndIf}

  ClearErrors
  !insertmacro REPLACE_FILE Korvane.exe
  !insertmacro REPLACE_FILE QELWmiAcpi.dll
  !insertmacro REPLACE_FILE LICENSE.txt
  !insertmacro REPLACE_FILE uninstall.exe
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot replace the files in$\r$\n$INSTDIR" /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}

  CreateShortcut "${SHORTCUT}" "$INSTDIR\Korvane.exe"
  ${If} $SignIn = 1
    WriteRegStr HKCU "${RUN_KEY}" "Korvane" '"$INSTDIR\Korvane.exe"'
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "Korvane"
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${KORVANE_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Korvane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; The Korvane that was ended comes back, now the new one.
  ${If} $KorvaneState == ended
  ${OrIf} $Launch = 1
    Exec '"$INSTDIR\Korvane.exe"'
    StrCpy $Started 1
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.EndKorvane
  ${If} $KorvaneState == running
    !insertmacro STILL_RUNNING_MESSAGE
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort
  ${EndIf}

  Delete "$INSTDIR\Korvane.exe"
  Delete "$INSTDIR\QELWmiAcpi.dll"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "Korvane"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The diagnostic log Korvane keeps for problem reports.
  Delete "$LOCALAPPDATA\Korvane\Korvane.log"
  Delete "$LOCALAPPDATA\Korvane\Korvane.1.log"
  RMDir "$LOCALAPPDATA\Korvane"
  ; Files of the user's own keep the folder.
  RMDir "$INSTDIR"
SectionEnd
