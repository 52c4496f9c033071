; Mirage, the virtual video input device: registration for 32-bit programs (Mirage.ax in the
; program folder) and, on 64-bit Windows, for 64-bit programs (x64\Mirage.ax beside the 64-bit
; Rookery and plug-ins). The 32-bit Mirage.ax passes its registration on to x64\Mirage.ax
; itself (for the service's re-registrations); the setup still runs both, so that a failure of
; either shows in its details. Each registration makes one video input device per camera of the
; camera list that Rookery reads beside itself, so both Rookery builds must read the same
; file: x64\DoderadIrava.ini is a second name (hard link) of the service's DoderadIrava.ini.

!macro LK_MIRAGE_FUNCTIONS un
; $R0 = "" to register, "/u" to unregister (the per-camera devices go with it).
Function ${un}RegisterMirage
  ${If} ${FileExists} "$INSTDIR\Mirage.ax"
    ExecWait '"$SYSDIR\regsvr32.exe" /s $R0 "$INSTDIR\Mirage.ax"' $R1
    ${If} $R1 <> 0
    ${AndIf} $R0 == ""
      DetailPrint "$(LkMirageFailed) Mirage.ax ($R1)"
    ${EndIf}
  ${EndIf}
  ${If} ${RunningX64}
  ${AndIf} ${FileExists} "$INSTDIR\x64\Mirage.ax"
    ; The 64-bit regsvr32 lives in the real system folder.
    ${DisableX64FSRedirection}
    ExecWait '"$SYSDIR\regsvr32.exe" /s $R0 "$INSTDIR\x64\Mirage.ax"' $R1
    ${EnableX64FSRedirection}
    ${If} $R1 <> 0
    ${AndIf} $R0 == ""
      DetailPrint "$(LkMirageFailed) x64\Mirage.ax ($R1)"
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend

!insertmacro LK_MIRAGE_FUNCTIONS ""
!insertmacro LK_MIRAGE_FUNCTIONS "un."

; The filter mapper makes the video input category's "Instance" key for the first device and
; leaves it when the last one goes: it goes too when nothing else uses it.
Function un.RemoveVideoCategoryLeftovers
  DeleteRegKey /ifempty HKLM "Software\Classes\CLSID\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Instance"
  ${If} ${RunningX64}
    SetRegView 64
    DeleteRegKey /ifempty HKLM "Software\Classes\CLSID\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\Instance"
    SetRegView 32
  ${EndIf}
FunctionEnd

!ifdef LK64_MIRAGE
; Makes x64\DoderadIrava.ini the same file as the service's DoderadIrava.ini. A copy is the
; fallback where the folder's file system has no hard links; it then only holds the list as it
; was at installation.
Function LinkCameraList
  Delete "$INSTDIR\x64\DoderadIrava.ini"
  System::Call 'kernel32::CreateHardLinkW(w "$INSTDIR\x64\DoderadIrava.ini", w "$INSTDIR\DoderadIrava.ini", p 0) i .R1'
  ${If} $R1 = 0
    DetailPrint "$(LkCameraListCopied)"
    CopyFiles /SILENT "$INSTDIR\DoderadIrava.ini" "$INSTDIR\x64\DoderadIrava.ini"
  ${EndIf}
FunctionEnd
!endif

; The starting camera file, or the user's own with the plug-in of every family this version
; knows filled in where it is missing.
!macro LK_FAMILY section dll
  ReadINIStr $R1 "$INSTDIR\DoderadIrava.ini" "${section}" "CameraDllName"
  ${If} $R1 == ""
    WriteINIStr "$INSTDIR\DoderadIrava.ini" "${section}" "CameraDllName" "${dll}"
  ${EndIf}
!macroend
