; Korvane's setup program: a per-user install (no elevation) with a start at
; sign-in, an upgrade in place that ends a running Korvane the way its menu's
; Exit does, and an uninstaller that removes exactly what setup wrote.
;   makensis -DKORVANE_VERSION=<a.b.c.d> -DKORVANE_FILES=<folder> \
;            -DKORVANE_OUTFILE=<setup.exe> [-DKORVANE_TARGET=amd64-unicode] \
;            [-DKORVANE_EXIT_WAIT_MS=<ms>] installer/Korvane.nsi
; KORVANE_FILES holds Korvane.exe, QELWmiAcpi.dll, Korvane.com and
; LICENSE.txt of one architecture: amd64-unicode with the 64-bit files,
; x86-unicode with the 32-bit ones (scripts/make-setup). Both install into the
; same folder and installed-apps entry, so either upgrades an install of the
; other.
;
; Command line: /S silent, /D=<folder> (last), /NOAUTOSTART no start at
; sign-in, /LAUNCH start Korvane at the end. Exit codes: 0 done, 1 cancelled,
; 2 the folder cannot be used or its files cannot be replaced or removed,
; 3 a running Korvane was not ended, 4 installed but Korvane not started
; (setup runs in a job that keeps it from starting Korvane outside the job).
; With 2 and 3 nothing is changed.

!ifndef KORVANE_VERSION
  !error "KORVANE_VERSION is missing (scripts/dist reads it from res/version.h)"
!endif
!ifndef KORVANE_FILES
  !error "KORVANE_FILES is missing: the folder of Korvane.exe, QELWmiAcpi.dll, Korvane.com, LICENSE.txt"
!endif
!ifndef KORVANE_OUTFILE
  !error "KORVANE_OUTFILE is missing"
!endif
!ifndef KORVANE_TARGET
  !define KORVANE_TARGET x86-unicode
!endif
; How long a running Korvane that was asked to end gets to restore the
; default clocks and end.
!ifndef KORVANE_EXIT_WAIT_MS
  !define KORVANE_EXIT_WAIT_MS 60000
!endif

!define PUBLISHER "The Korvane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Korvane's own settings; an upgrade keeps them.
!define SETTINGS_KEY "Software\Korvane"
!define SHORTCUT "$SMPROGRAMS\Korvane.lnk"

!define EXIT_CANNOT_WRITE 2
!define EXIT_STILL_RUNNING 3
!define EXIT_NOT_STARTED 4

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
Var KorvaneState ; after EndKorvane: none, ended, running, busy or locked
Var Started      ; 1: this run started Korvane
Var Failed       ; the files a step could not handle, or ""
Var Placing      ; 1: the new files are being put in place

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${KORVANE_FILES}/LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryPageLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom SignInPageShow SignInPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Korvane"
!define MUI_FINISHPAGE_RUN_FUNCTION FinishPageRun
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

!addincludedir "${__FILEDIR__}"
!include InstalledFiles.nsh
!include InstallFolder.nsh
!include RunningKorvane.nsh
!include Launch.nsh
!insertmacro RUNNING_KORVANE_FUNCTIONS ""
!insertmacro RUNNING_KORVANE_FUNCTIONS "un."

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

Function FinishPageRun
  Call LaunchKorvane
  ${If} $0 = 0
    !insertmacro NOT_STARTED_MESSAGE
  ${EndIf}
FunctionEnd

; A folder typed on the page (Browse appends \Korvane, typing does not) is
; checked before setup goes on.
Function DirectoryPageLeave
  Call CheckFolder
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$0$\r$\n$\r$\nChoose another folder."
    Abort
  ${EndIf}
FunctionEnd

; Undoes a run that failed before it replaced anything (or put back what it
; had replaced): the new files written beside the old ones, then the folders
; this run created (only when empty).
Function DropNewFiles
  Push $0
  Push $Failed
  !insertmacro FOR_EACH_INSTALLED_FILE DROP_NEW
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
  Pop $Failed
  Pop $0
FunctionEnd

Section "Korvane"
  SectionIn RO
  Call CheckFolder
  ${If} $0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$0$\r$\n$\r$\nNothing was installed. Choose another folder." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}

  ; The new files go beside the old ones first, under other names, so that a
  ; folder that cannot be written stops setup before anything has changed.
  Call FindMissingFolders
  StrCpy $Failed ""
  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  SetOverwrite try
  !insertmacro FOR_EACH_INSTALLED_FILE RECOVER_OLD
  !insertmacro FOR_EACH_SHIPPED_FILE WRITE_NEW
  WriteUninstaller "$INSTDIR\uninstall.exe.new"
  ${If} ${Errors}
  ${OrIf} $Failed != ""
  ${OrIfNot} ${FileExists} "$INSTDIR\uninstall.exe.new"
    Call DropNewFiles
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot write to the folder$\r$\n$INSTDIR$\r$\n$\r$\nNothing was installed. Choose a folder you can write to." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}

  Call EndKorvane
  ${If} $KorvaneState != none
  ${AndIf} $KorvaneState != ended
    Call DropNewFiles
    !insertmacro KORVANE_STAYS
    Abort
  ${EndIf}

  ; Every old file aside, every new one in place, and only then the old
  ; Korvane.exe goes: a Korvane that still runs it keeps it, and every old
  ; file comes back.
  StrCpy $Placing 0
  !insertmacro FOR_EACH_INSTALLED_FILE MOVE_ASIDE
  ${If} $Failed == ""
    StrCpy $Placing 1
    !insertmacro FOR_EACH_INSTALLED_FILE PUT_NEW
  ${EndIf}
  ${If} $Failed == ""
    Delete "$INSTDIR\Korvane.exe.old"
    ${If} ${FileExists} "$INSTDIR\Korvane.exe.old"
      StrCpy $Failed "$INSTDIR\Korvane.exe"
    ${EndIf}
  ${EndIf}
  ${If} $Failed != ""
    !insertmacro FOR_EACH_INSTALLED_FILE PUT_BACK
    Call DropNewFiles
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot replace$\r$\n$Failed$\r$\nIt is in use: a Korvane of yours may run in another session.$\r$\n$\r$\nNothing was changed. End Korvane there (Exit), then run this program again." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}
  !insertmacro FOR_EACH_INSTALLED_FILE DELETE_OLD

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
    Call LaunchKorvane
    ${If} $0 = 1
      StrCpy $Started 1
    ${Else}
      !insertmacro NOT_STARTED_MESSAGE
      SetErrorLevel ${EXIT_NOT_STARTED}
    ${EndIf}
  ${EndIf}
SectionEnd

; Records in $Failed a registry key of the user's that is still there.
!macro CHECK_KEY_GONE key
  ClearErrors
  EnumRegKey $0 HKCU "${key}" 0
  ${IfNot} ${Errors}
    StrCpy $Failed "$Failed$\r$\nHKEY_CURRENT_USER\${key}"
  ${EndIf}
!macroend

; Removes a file outside the install folder; $Failed records one that stays.
!macro REMOVE_OTHER_FILE path
  Delete "${path}"
  ${If} ${FileExists} "${path}"
    StrCpy $Failed "$Failed$\r$\n${path}"
  ${EndIf}
!macroend

Section "Uninstall"
  Call un.EndKorvane
  ${If} $KorvaneState != none
  ${AndIf} $KorvaneState != ended
    !insertmacro KORVANE_STAYS
    Abort
  ${EndIf}

  ; Korvane.exe first: while a Korvane still runs it (one of this user's in
  ; another session, whose window this program cannot see), it cannot be
  ; removed, and everything stays as it is.
  Delete "$INSTDIR\Korvane.exe"
  ${If} ${FileExists} "$INSTDIR\Korvane.exe"
    MessageBox MB_OK|MB_ICONSTOP "Korvane.exe cannot be removed from$\r$\n$INSTDIR$\r$\nIt is in use: a Korvane of yours may run in another session.$\r$\n$\r$\nNothing was removed. End Korvane there (Exit), then uninstall again." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
    Abort
  ${EndIf}
  StrCpy $Failed ""
  !insertmacro FOR_EACH_SHIPPED_FILE REMOVE_FILE
  ; What starts Korvane, its settings and its diagnostic log.
  !insertmacro REMOVE_OTHER_FILE "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "Korvane"
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "Korvane"
  ${IfNot} ${Errors}
    StrCpy $Failed "$Failed$\r$\nHKEY_CURRENT_USER\${RUN_KEY}\Korvane"
  ${EndIf}
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  !insertmacro CHECK_KEY_GONE "${SETTINGS_KEY}"
  !insertmacro REMOVE_OTHER_FILE "$LOCALAPPDATA\Korvane\Korvane.log"
  !insertmacro REMOVE_OTHER_FILE "$LOCALAPPDATA\Korvane\Korvane.1.log"
  RMDir "$LOCALAPPDATA\Korvane"
  ; The uninstaller and its entry stay while anything else does, so that the
  ; uninstall can be run again.
  ${If} $Failed == ""
    !insertmacro REMOVE_FILE uninstall.exe
  ${EndIf}
  ${If} $Failed == ""
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    !insertmacro CHECK_KEY_GONE "${UNINSTALL_KEY}"
  ${EndIf}
  ; Files of the user's own keep the folder.
  RMDir "$INSTDIR"
  ${If} $Failed != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Korvane was removed, but these could not be:$Failed$\r$\n$\r$\nClose what uses them, then uninstall Korvane again from the installed apps." /SD IDOK
    SetErrorLevel ${EXIT_CANNOT_WRITE}
  ${EndIf}
SectionEnd
