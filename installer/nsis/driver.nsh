; The USB camera filter driver, shipped only when the build was given it. Tinker installs it:
; run without options it copies KvUsbCameraFilter.sys from its own folder into the system's
; driver folder, creates the driver service, adds it to the imaging class's upper filters and
; starts it. A 32-bit Tinker on 64-bit Windows would land in the redirected system folder, and
; 64-bit Windows loads only 64-bit drivers: there the 64-bit Tinker and driver in x64\ serve.
; Tinker has no removal; the uninstaller undoes what it did.

!define LK_DRIVER_NAME "KvUsbCameraFilter"
!define LK_IMAGING_CLASS "System\CurrentControlSet\Control\Class\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}"
!define LK_DRIVER_EVENTLOG "SYSTEM\CurrentControlSet\Services\EventLog\System"

!ifdef LK_DRIVER32 | LK_DRIVER64
Function InstallDriver
  ${If} ${RunningX64}
    !ifdef LK_DRIVER64 & LK64_TINKER
      SetOutPath "$INSTDIR\x64"
      File "/oname=${LK_DRIVER_NAME}.sys" "${LK_DRIVER64}"
      StrCpy $R1 "$INSTDIR\x64\Tinker.exe"
    !else
      DetailPrint "$(LkDriverNotFor64)"
      Return
    !endif
  ${Else}
    !ifdef LK_DRIVER32
      SetOutPath "$INSTDIR"
      File "/oname=${LK_DRIVER_NAME}.sys" "${LK_DRIVER32}"
      StrCpy $R1 "$INSTDIR\Tinker.exe"
    !else
      DetailPrint "$(LkDriverNotFor32)"
      Return
    !endif
  ${EndIf}
  SetOutPath "$INSTDIR"
  DetailPrint "$(LkInstallingDriver)"
  ; Its message boxes would wait for a user a silent setup does not have: bounded.
  nsExec::Exec /TIMEOUT=60000 '"$R1"'
  Pop $R2
  StrCpy $SvcName "${LK_DRIVER_NAME}"
  Call QueryService
  ${If} $SvcState <> ${SERVICE_RUNNING}
    DetailPrint "$(LkDriverFailed) ($R2, $SvcState)"
  ${EndIf}
FunctionEnd
!endif

Var MsKey     ; key under HKLM
Var MsValue   ; multi-string value
Var MsEntry   ; the entry to take out (compared without regard to case)

; Takes $MsEntry out of the multi-string $MsValue of HKLM\$MsKey; a value left empty goes.
Function un.RemoveMultiStringEntry
  ; KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "$MsKey", i 0, i 0x103, *p .R1) i .R2'
  ${If} $R2 <> 0
    Return
  ${EndIf}
  System::Call 'advapi32::RegQueryValueExW(p R1, w "$MsValue", p 0, *i .R3, p 0, *i .R4) i .R2'
  ${If} $R2 = 0
  ${AndIf} $R3 = 7
  ${AndIf} $R4 > 0
    ; Zeroed and 4 bytes longer: a value without its terminators still ends.
    IntOp $R5 $R4 + 4
    System::Alloc $R5
    Pop $R6
    System::Alloc $R5
    Pop $R7
    System::Call 'advapi32::RegQueryValueExW(p R1, w "$MsValue", p 0, p 0, p R6, *i R4R4) i .R2'
    StrCpy $R8 $R6 ; read position
    StrCpy $R9 $R7 ; write position
    StrCpy $R3 0   ; found
    ${Do}
      IntOp $R0 $R8 - $R6
      ${If} $R0 >= $R4
        ${Break}
      ${EndIf}
      System::Call 'kernel32::lstrlenW(p R8) i .R2'
      ${If} $R2 = 0
        ${Break}
      ${EndIf}
      System::Call 'kernel32::lstrcpynW(w .R0, p R8, i ${NSIS_MAX_STRLEN})'
      IntOp $R2 $R2 + 1
      IntOp $R2 $R2 * 2
      ${If} $R0 == $MsEntry
        StrCpy $R3 1
      ${Else}
        System::Call 'kernel32::RtlMoveMemory(p R9, p R8, i R2)'
        IntOp $R9 $R9 + $R2
      ${EndIf}
      IntOp $R8 $R8 + $R2
    ${Loop}
    ${If} $R3 = 1
      IntOp $R2 $R9 - $R7
      ${If} $R2 = 0
        System::Call 'advapi32::RegDeleteValueW(p R1, w "$MsValue")'
      ${Else}
        IntOp $R2 $R2 + 2
        System::Call 'advapi32::RegSetValueExW(p R1, w "$MsValue", i 0, i 7, p R7, i R2)'
      ${EndIf}
    ${EndIf}
    System::Free $R6
    System::Free $R7
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p R1)'
FunctionEnd

; Stops and deletes the driver service, takes it out of the imaging class's filters and the
; event-log sources, and removes its file, when this installation installed it.
Function un.RemoveDriver
  ${IfNot} ${FileExists} "$INSTDIR\${LK_DRIVER_NAME}.sys"
  ${AndIfNot} ${FileExists} "$INSTDIR\x64\${LK_DRIVER_NAME}.sys"
    Return
  ${EndIf}
  StrCpy $SvcName "${LK_DRIVER_NAME}"
  Call un.StopService
  StrCpy $MsEntry "${LK_DRIVER_NAME}"
  StrCpy $MsKey "${LK_IMAGING_CLASS}"
  StrCpy $MsValue "UpperFilters"
  Call un.RemoveMultiStringEntry
  StrCpy $MsKey "${LK_DRIVER_EVENTLOG}"
  StrCpy $MsValue "Sources"
  Call un.RemoveMultiStringEntry
  DeleteRegKey HKLM "${LK_DRIVER_EVENTLOG}\${LK_DRIVER_NAME}"
  ; DELETE access
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_CONNECT}) p .R9'
  ${If} $R9 <> 0
    System::Call 'advapi32::OpenServiceW(p R9, w "${LK_DRIVER_NAME}", i 0x10000) p .R8'
    ${If} $R8 <> 0
      System::Call 'advapi32::DeleteService(p R8) i .R7'
      System::Call 'advapi32::CloseServiceHandle(p R8)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p R9)'
  ${EndIf}
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete /REBOOTOK "$SYSDIR\drivers\${LK_DRIVER_NAME}.sys"
    ${EnableX64FSRedirection}
  ${Else}
    Delete /REBOOTOK "$SYSDIR\drivers\${LK_DRIVER_NAME}.sys"
  ${EndIf}
  Delete "$INSTDIR\${LK_DRIVER_NAME}.sys"
  Delete "$INSTDIR\x64\${LK_DRIVER_NAME}.sys"
FunctionEnd
