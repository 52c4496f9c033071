; Windows services seen from the setup program: state, process and program path, stop with a
; bounded wait. The functions exist twice (setup and uninstaller), as NSIS wants.
; They use $R1-$R9; $R0 is left to the callers' loops.

!define /ifndef SC_MANAGER_CONNECT 0x0001
!define /ifndef SERVICE_STOP 0x0020
!define /ifndef SERVICE_CONTROL_STOP 1
!define /ifndef SERVICE_STOPPED 1
!define /ifndef SERVICE_RUNNING 4
!define /ifndef SYNCHRONIZE_TERMINATE 0x00100001

Var SvcName   ; the service asked about
Var SvcState  ; 0 when there is no such service, else its current state (1 stopped ... 4 running)
Var SvcPid    ; its process id while it runs, else 0
Var SvcPath   ; its program path as the service manager keeps it

!macro LK_SERVICE_FUNCTIONS un
Function ${un}QueryService
  StrCpy $SvcState 0
  StrCpy $SvcPid 0
  StrCpy $SvcPath ""
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_CONNECT}) p .R9'
  ${If} $R9 = 0
    Return
  ${EndIf}
  System::Call 'advapi32::OpenServiceW(p R9, w "$SvcName", i 5) p .R8' ; query config and status
  ${If} $R8 <> 0
    StrCpy $SvcState ${SERVICE_STOPPED}
    ; SERVICE_STATUS_PROCESS: nine 32-bit words, state second, process id eighth.
    System::Call '*(i, i, i, i, i, i, i, i, i) p .R7'
    System::Call 'advapi32::QueryServiceStatusEx(p R8, i 0, p R7, i 36, *i .R5) i .R6'
    ${If} $R6 <> 0
      System::Call '*$R7(i .R1, i .R2, i, i, i, i, i, i .R3, i)'
      StrCpy $SvcState $R2
      StrCpy $SvcPid $R3
    ${EndIf}
    System::Free $R7
    System::Call 'advapi32::QueryServiceConfigW(p R8, p 0, i 0, *i .R5) i .R6'
    ${If} $R5 > 0
      System::Alloc $R5
      Pop $R7
      System::Call 'advapi32::QueryServiceConfigW(p R8, p R7, i R5, *i .R4) i .R6'
      ${If} $R6 <> 0
        System::Call '*$R7(i, i, i, w .R3)'
        StrCpy $SvcPath $R3
      ${EndIf}
      System::Free $R7
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p R8)'
  ${EndIf}
  System::Call 'advapi32::CloseServiceHandle(p R9)'
FunctionEnd

; Waits up to 30 s until the service $SvcName is gone or stopped.
Function ${un}WaitServiceStopped
  StrCpy $R0 0
  ${Do}
    Call ${un}QueryService
    ${If} $SvcState = 0
    ${OrIf} $SvcState = ${SERVICE_STOPPED}
    ${OrIf} $R0 >= 120
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $R0 $R0 + 1
  ${Loop}
FunctionEnd

; Stops the service $SvcName if it runs and waits for its process to end, so that its files
; can be replaced or removed. A process that outlives 30 s after the stop is ended.
Function ${un}StopService
  Call ${un}QueryService
  ${If} $SvcState = 0
  ${OrIf} $SvcState = ${SERVICE_STOPPED}
    Return
  ${EndIf}
  Push $SvcPid
  DetailPrint "$(LkStoppingService) $SvcName"
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_CONNECT}) p .R9'
  ${If} $R9 <> 0
    System::Call 'advapi32::OpenServiceW(p R9, w "$SvcName", i ${SERVICE_STOP}) p .R8'
    ${If} $R8 <> 0
      System::Call '*(i, i, i, i, i, i, i) p .R7'
      System::Call 'advapi32::ControlService(p R8, i ${SERVICE_CONTROL_STOP}, p R7) i .R6'
      System::Free $R7
      System::Call 'advapi32::CloseServiceHandle(p R8)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p R9)'
  ${EndIf}
  Call ${un}WaitServiceStopped
  Pop $R1
  ${If} $R1 <> 0
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_TERMINATE}, i 0, i R1) p .R2'
    ${If} $R2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p R2, i 30000) i .R3'
      ${If} $R3 <> 0
        DetailPrint "$(LkServiceHung) $SvcName"
        System::Call 'kernel32::TerminateProcess(p R2, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p R2, i 10000)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R2)'
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend

!insertmacro LK_SERVICE_FUNCTIONS ""
!insertmacro LK_SERVICE_FUNCTIONS "un."

; Waits up to 30 s until the service $SvcName runs; $SvcState tells the outcome.
Function WaitServiceRunning
  StrCpy $R0 0
  ${Do}
    Call QueryService
    ${If} $SvcState = 0
    ${OrIf} $SvcState = ${SERVICE_RUNNING}
    ${OrIf} $R0 >= 120
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $R0 $R0 + 1
  ${Loop}
FunctionEnd
