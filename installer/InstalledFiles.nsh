; The files setup installs, named once for setup and uninstaller alike, and
; how each is put in place or taken away with every step checked.
;
; An upgrade writes each new file as <name>.new, moves the old one aside as
; <name>.old, puts the new one in place and only then deletes the old one.
; A Korvane that still runs the old Korvane.exe (one of this user's in another
; session, whose window setup cannot see) lets its file be moved but not
; deleted: setup then puts every old file back, so the folder is as it was.

; Expands action once per file that comes from the package, Korvane.exe
; first: while it cannot be removed, nothing else is.
!macro FOR_EACH_SHIPPED_FILE action
  !insertmacro ${action} Korvane.exe
  !insertmacro ${action} QELWmiAcpi.dll
  !insertmacro ${action} Korvane.com
  !insertmacro ${action} LICENSE.txt
!macroend

; Every file setup writes: the package's and the uninstaller, which is
; removed last so that an uninstall that leaves files can be run again.
!macro FOR_EACH_INSTALLED_FILE action
  !insertmacro FOR_EACH_SHIPPED_FILE ${action}
  !insertmacro ${action} uninstall.exe
!macroend

; Writes the package's file beside the installed one.
!macro WRITE_NEW name
  File "/oname=${name}.new" "${KORVANE_FILES}/${name}"
!macroend

; Removes the new file written beside name; $Failed names one that stays.
!macro DROP_NEW name
  Delete "$INSTDIR\${name}.new"
  ${If} ${FileExists} "$INSTDIR\${name}.new"
    StrCpy $Failed "$Failed$\r$\n$INSTDIR\${name}.new"
  ${EndIf}
!macroend

; Settles what an interrupted run left: a file moved aside comes back where
; nothing took its place, and goes where something did.
!macro RECOVER_OLD name
  ${If} ${FileExists} "$INSTDIR\${name}.old"
    ${If} ${FileExists} "$INSTDIR\${name}"
      Delete "$INSTDIR\${name}.old"
    ${Else}
      Rename "$INSTDIR\${name}.old" "$INSTDIR\${name}"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\${name}.old"
      StrCpy $Failed "$Failed$\r$\n$INSTDIR\${name}.old"
    ${EndIf}
  ${EndIf}
  !insertmacro DROP_NEW ${name}
!macroend

; Moves the installed file aside, unless an earlier step failed.
!macro MOVE_ASIDE name
  ${If} $Failed == ""
  ${AndIf} ${FileExists} "$INSTDIR\${name}"
    Rename "$INSTDIR\${name}" "$INSTDIR\${name}.old"
    ${If} ${FileExists} "$INSTDIR\${name}"
      StrCpy $Failed "$INSTDIR\${name}"
    ${EndIf}
  ${EndIf}
!macroend

; Puts the new file in place, unless an earlier step failed.
!macro PUT_NEW name
  ${If} $Failed == ""
    Rename "$INSTDIR\${name}.new" "$INSTDIR\${name}"
    ${IfNot} ${FileExists} "$INSTDIR\${name}"
    ${OrIf} ${FileExists} "$INSTDIR\${name}.new"
      StrCpy $Failed "$INSTDIR\${name}"
    ${EndIf}
  ${EndIf}
!macroend

; Undoes MOVE_ASIDE and PUT_NEW: the old file comes back; a new one that had
; no old one goes once $Placing is 1 (every old file is aside by then).
!macro PUT_BACK name
  ${If} ${FileExists} "$INSTDIR\${name}.old"
    Delete "$INSTDIR\${name}"
    Rename "$INSTDIR\${name}.old" "$INSTDIR\${name}"
  ${ElseIf} $Placing = 1
    Delete "$INSTDIR\${name}"
  ${EndIf}
  Delete "$INSTDIR\${name}.new"
!macroend

; Deletes the file moved aside; one that stays is reported and removed by
; the next setup or the uninstaller.
!macro DELETE_OLD name
  Delete "$INSTDIR\${name}.old"
  ${If} ${FileExists} "$INSTDIR\${name}.old"
    DetailPrint "Cannot delete $INSTDIR\${name}.old"
  ${EndIf}
!macroend

; Removes the installed file and what an interrupted run left of it; $Failed
; collects what stays.
!macro REMOVE_FILE name
  Delete "$INSTDIR\${name}.old"
  Delete "$INSTDIR\${name}"
  ${If} ${FileExists} "$INSTDIR\${name}"
  ${OrIf} ${FileExists} "$INSTDIR\${name}.old"
    StrCpy $Failed "$Failed$\r$\n$INSTDIR\${name}"
  ${EndIf}
  !insertmacro DROP_NEW ${name}
!macroend
