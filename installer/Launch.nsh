; Starting Korvane at the end of setup. A deployment agent runs setup in a
; job and may close it when setup ends, which ends every process in the job
; at once: a Korvane ended that way leaves the clocks as they are. So Korvane
; is started outside the job (CREATE_BREAKAWAY_FROM_JOB, which has no effect
; outside a job). Where the job does not allow that, Korvane is not started;
; it starts at the next sign-in or from the Start menu.

!define CREATE_BREAKAWAY_FROM_JOB 0x01000000
!if "${KORVANE_TARGET}" == "amd64-unicode"
  !define STARTUPINFO_SIZE 104
!else
  !define STARTUPINFO_SIZE 68
!endif

; Starts $INSTDIR\Korvane.exe; sets $0 to 1 when it started, else 0.
Function LaunchKorvane
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 0
  ; Zeroed: STARTUPINFOW with its size, PROCESS_INFORMATION to be filled.
  System::Alloc 128
  Pop $1
  System::Alloc 32
  Pop $2
  System::Call '*$1(i ${STARTUPINFO_SIZE})'
  System::Call 'kernel32::CreateProcessW(w "$INSTDIR\Korvane.exe", w "$\"$INSTDIR\Korvane.exe$\"", p 0, p 0, i 0, i ${CREATE_BREAKAWAY_FROM_JOB}, p 0, w "$INSTDIR", p r1, p r2) i .r3 ?e'
  Pop $4
  ${If} $3 <> 0
    StrCpy $0 1
    System::Call '*$2(p .r3, p .r4)'
    System::Call 'kernel32::CloseHandle(p r3)'
    System::Call 'kernel32::CloseHandle(p r4)'
  ${Else}
    DetailPrint "Korvane was not started (error $4): this setup runs in a job that does not let a program outlive it."
  ${EndIf}
  System::Free $2
  System::Free $1
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

!macro NOT_STARTED_MESSAGE
  MessageBox MB_OK|MB_ICONINFORMATION "Korvane is installed but was not started: this setup runs in a job that would end Korvane together with setup, before it could restore the default clocks.$\r$\n$\r$\nStart Korvane from the Start menu; it also starts when you sign in, if you chose that." /SD IDOK
!macroend
