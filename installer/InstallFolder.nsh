; The folder setup installs into: one it may use, and the folders it creates
; on the way there (removed again when setup stops).
;
; A folder may be used when it does not exist yet, is empty, or is a Korvane
; install: it holds Korvane.exe and is the folder this user's installed-apps
; entry names (InstallLocation, written by every install). Any other folder
; may be shared with other programs, whose LICENSE.txt or uninstall.exe setup
; would replace and the uninstaller would remove.

; Sets $0 to the folder given with /D=, or "" when none was given. NSIS cuts
; /D= off $CMDLINE, so the process's own command line is read.
Function GivenFolder
  Push $1
  Push $2
  Push $3
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
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Removes a trailing backslash from var (clobbers $9).
!macro TRIM_BACKSLASH var
  StrCpy $9 ${var} "" -1
  ${If} $9 == "\"
    StrCpy ${var} ${var} -1
  ${EndIf}
!macroend

; Sets $0 to "" when $INSTDIR may take Korvane, else to why it may not.
Function CheckFolder
  Push $1
  Push $2
  Push $3
  StrCpy $0 ""
  ${If} ${FileExists} "$INSTDIR\*.*"
    ; Anything besides "." and ".." makes the folder not empty.
    StrCpy $3 ""
    FindFirst $1 $2 "$INSTDIR\*.*"
    ${DoWhile} $2 != ""
      ${If} $2 != "."
      ${AndIf} $2 != ".."
        StrCpy $3 $2
        ${Break}
      ${EndIf}
      FindNext $1 $2
    ${Loop}
    FindClose $1
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $2 $INSTDIR
    !insertmacro TRIM_BACKSLASH $1
    !insertmacro TRIM_BACKSLASH $2
    ${If} $3 != ""
      ${IfNot} ${FileExists} "$INSTDIR\Korvane.exe"
      ${OrIf} $1 != $2
        StrCpy $0 "The folder$\r$\n$INSTDIR$\r$\nholds other files and is not a Korvane installation. Setup installs only into a new or empty folder or over Korvane, never into a folder it may share with other programs."
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Sets $CreatedTop to the outermost folder on the way to $INSTDIR that does
; not exist yet.
Function FindMissingFolders
  Push $0
  Push $1
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
  Pop $1
  Pop $0
FunctionEnd
