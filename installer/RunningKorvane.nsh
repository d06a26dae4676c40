; The Korvane running on this desktop, found and ended the way its command
; line does it: the registered message "Korvane.RemoteControl.1" goes to
; each top-level dialog captioned "NVIDIA Korvane", and only Korvane's main
; dialog answers with the tag 0x4B56 in the high half of the low 32 bits. A
; look-alike window is never sent a command.
;
; Korvane is asked for its status first. While its session is not active
; (locked, disconnected) it holds every clock change back, so its Exit would
; leave the clocks overclocked: it is then not asked to end. Nor is a Korvane
; that does not answer within KORVANE_ANSWER_WAIT_MS. Otherwise its thread is
; idle and takes the Exit request at once (a request Windows could not
; deliver before its timeout is withdrawn, so Korvane goes on running); the
; Exit restores the default clocks and ends the process, and setup waits for
; that end up to KORVANE_EXIT_WAIT_MS. Setup never kills Korvane: a killed
; Korvane would leave the clocks as they are.

!define KORVANE_WINDOW_CLASS "#32770"
!define KORVANE_WINDOW_CAPTION "NVIDIA Korvane"
!define KORVANE_REMOTE_MESSAGE "Korvane.RemoteControl.1"
!define REMOTE_STATUS 0
!define REMOTE_TAG 0x4B560000
!define REMOTE_TAG_MASK 0xFFFF0000
!define STATUS_SESSION_ACTIVE 0x10
!define IDM_EXIT 303
!define SMTO_ABORTIFHUNG 0x0002
; How long a Korvane, idle unless it waits on the firmware, gets to answer.
!define KORVANE_ANSWER_WAIT_MS 5000

!macro RUNNING_KORVANE_FUNCTIONS un
; Sets $0 to Korvane's main dialog and $1 to its status answer. $0 is 0 when
; no window answers as Korvane; $1 is then "busy" when a window of its class
; and caption did not answer in time, else "".
Function ${un}FindKorvane
  Push $2
  Push $3
  Push $4
  System::Call 'user32::RegisterWindowMessageW(w "${KORVANE_REMOTE_MESSAGE}") i .r4'
  StrCpy $1 ""
  StrCpy $2 0
  ${Do}
    FindWindow $2 "${KORVANE_WINDOW_CLASS}" "${KORVANE_WINDOW_CAPTION}" "" $2
    ${If} $2 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::SendMessageTimeoutW(p r2, i r4, p ${REMOTE_STATUS}, p 0, i ${SMTO_ABORTIFHUNG}, i ${KORVANE_ANSWER_WAIT_MS}, *p .r3) p .r0'
    ${If} $0 P= 0
      StrCpy $1 busy
      ${Continue}
    ${EndIf}
    IntOp $0 $3 & ${REMOTE_TAG_MASK}
    ${If} $0 = ${REMOTE_TAG}
      StrCpy $1 $3
      ${Break}
    ${EndIf}
  ${Loop}
  StrCpy $0 $2
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; Asks the Korvane of main dialog $0 to end through its menu's Exit and waits
; for its process; sets $1 to 1 when it ended, else 0.
Function ${un}AskToEnd
  Push $2
  Push $3
  Push $4
  StrCpy $1 0
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i 0 r2)'
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r2'
  ${If} $2 P<> 0
    System::Call 'user32::RegisterWindowMessageW(w "${KORVANE_REMOTE_MESSAGE}") i .r4'
    System::Call 'kernel32::GetTickCount() i .r3'
    System::Call 'user32::SendMessageTimeoutW(p r0, i r4, p ${IDM_EXIT}, p 0, i ${SMTO_ABORTIFHUNG}, i ${KORVANE_EXIT_WAIT_MS}, *p .r4) p .r4'
    ; What is left of the bound goes to the end of the process.
    System::Call 'kernel32::GetTickCount() i .r4'
    IntOp $3 $4 - $3
    IntOp $3 ${KORVANE_EXIT_WAIT_MS} - $3
    ${If} $3 < 0
      StrCpy $3 0
    ${EndIf}
    System::Call 'kernel32::WaitForSingleObject(p r2, i r3) i .r3'
    ${If} $3 = 0
      StrCpy $1 1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; Ends the running Korvane, if any. Sets $KorvaneState to none (none runs),
; ended, running (it did not end in time), busy (it did not answer) or
; locked (its session is not active, so it was not asked).
Function ${un}EndKorvane
  Push $0
  Push $1
  Push $2
  StrCpy $KorvaneState none
  ; A Korvane that starts while another one ends is met on the next round.
  ${For} $2 1 4
    Call ${un}FindKorvane
    ${If} $0 = 0
      ; Once a Korvane has ended, one that does not answer is no Korvane:
      ; only one runs in a session.
      ${If} $1 == busy
      ${AndIf} $KorvaneState == none
        StrCpy $KorvaneState busy
      ${EndIf}
      ${Break}
    ${EndIf}
    StrCpy $KorvaneState running
    ${If} $2 = 4
      ${Break}
    ${EndIf}
    IntOp $1 $1 & ${STATUS_SESSION_ACTIVE}
    ${If} $1 = 0
      StrCpy $KorvaneState locked
      ${Break}
    ${EndIf}
    DetailPrint "Asking the running Korvane to restore the default clocks and end..."
    Call ${un}AskToEnd
    ${If} $1 <> 1
      ${Break}
    ${EndIf}
    StrCpy $KorvaneState ended
  ${Next}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend

; Tells why setup stops with nothing changed; exit code 3.
!macro KORVANE_STAYS
  ${If} $KorvaneState == locked
    MessageBox MB_OK|MB_ICONSTOP "Korvane is running, but while this session is locked or disconnected it holds every clock change back: ended now, it would leave the clocks overclocked. It was not ended.$\r$\n$\r$\nNothing was changed. Run this program again while you are signed in and the session is unlocked." /SD IDOK
  ${ElseIf} $KorvaneState == busy
    MessageBox MB_OK|MB_ICONSTOP "Korvane is running but did not answer in time; it may be waiting for the firmware service. It was not asked to end.$\r$\n$\r$\nNothing was changed. Run this program again in a minute, or end Korvane from its menu (Exit) first." /SD IDOK
  ${Else}
    MessageBox MB_OK|MB_ICONSTOP "Korvane is running and did not end when asked.$\r$\n$\r$\nNothing was changed. End Korvane from its menu (Exit), then run this program again." /SD IDOK
  ${EndIf}
  SetErrorLevel ${EXIT_STILL_RUNNING}
!macroend
