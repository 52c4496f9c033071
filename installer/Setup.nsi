; Setup.exe: the suite for one Windows PC. installer/make_setup.cmake runs makensis on it with
; the file lists of both builds (LK_FILES32 from this build, LK_FILES64 from the 64-bit one) and
; the install and remove macros of the files they ship (LK_SHIP).
Unicode true
RequestExecutionLevel admin
ManifestSupportedOS all
; The setup test's own setup is built in a fifth of the time, and larger.
!ifdef LK_QUICK_COMPRESSION
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
!endif
; The name is the one users look for; Windows treats it as a setup program, which it is.
!pragma warning disable 9000

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!include "${LK_FILES32}"
!ifdef LK_FILES64
  !include "${LK_FILES64}"
!endif
!include "${LK_SHIP}"
; Only the setup test's setup: the stand-ins where the vendor's files would be.
!ifdef LK_VENDOR32
  !include "${LK_VENDOR32}"
!endif
!ifdef LK_VENDOR64
  !include "${LK_VENDOR64}"
!endif

!define LK_SERVICE "Lookout"
!define LK_UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lookout"
!define LK_START_MENU "$SMPROGRAMS\${LK_PRODUCT}"

Name "${LK_PRODUCT}"
OutFile "${LK_OUTFILE}"
InstallDir "$PROGRAMFILES\Lookout"
InstallDirRegKey HKLM "${LK_UNINST_KEY}" "InstallLocation"
BrandingText "${LK_PRODUCT} ${LK_VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first is the fall-back for systems of other languages.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${LK_VERSION}"
VIFileVersion "${LK_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${LK_PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${LK_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${LK_PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${LK_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${LK_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${LK_PUBLISHER}"

!include "nsis/strings.nsh"
!include "nsis/service.nsh"
!include "nsis/mirage.nsh"
!include "nsis/driver.nsh"

; The service program's own command words; its message boxes would wait for a user that a
; silent setup does not have, hence the time limit.
!macro LK_LOOKOUT_WORD word
  nsExec::Exec /TIMEOUT=60000 '"$INSTDIR\Lookout.exe" ${word}'
  Pop $R1
!macroend

Section "Install"
  SetShellVarContext all

  ; An earlier installation: its service stops first and its devices go (the camera list may
  ; have changed since they were registered); the settings files stay.
  StrCpy $SvcName "${LK_SERVICE}"
  Call StopService
  StrCpy $R0 "/u"
  Call RegisterMirage

  SetOutPath "$INSTDIR"
  !insertmacro LK_INSTALL_FILES32
  !ifdef LK_NETCLIENT32
    File "/oname=NetClient.dll" "${LK_NETCLIENT32}"
  !endif
  SetOutPath "$INSTDIR\ZOSkin"
  File "/oname=rara_hard.vskn" "${LK_SKIN_PACKAGE}"
  SetOutPath "$INSTDIR\default_skin"
  File /r "${LK_DEFAULT_SKIN_DIR}/*"
  SetOutPath "$INSTDIR"

  ${IfNot} ${FileExists} "$INSTDIR\DoderadIrava.ini"
    File "/oname=DoderadIrava.ini" "${LK_CAMERA_LIST}"
  ${EndIf}
  !insertmacro LK_FAMILY "quil" "Quilgate.dll"
  !insertmacro LK_FAMILY "orvel" "Orvelgate.dll"

  !ifdef LK64_MIRAGE
    ${If} ${RunningX64}
      SetOutPath "$INSTDIR\x64"
      !insertmacro LK_INSTALL_FILES64
      !ifdef LK_NETCLIENT64
        File "/oname=NetClient.dll" "${LK_NETCLIENT64}"
      !endif
      !ifdef LK_DRIVER64
        File "/oname=Tinker.exe" "${LK64_TINKER}"
      !endif
      SetOutPath "$INSTDIR"
      Call LinkCameraList
    ${EndIf}
  !endif

  WriteUninstaller "$INSTDIR\uninstall.exe"

  StrCpy $R0 ""
  Call RegisterMirage

  !ifdef LK_DRIVER32 | LK_DRIVER64
    Call InstallDriver
  !endif

  ; A service left from an installation in another folder would start that folder's program.
  StrCpy $SvcName "${LK_SERVICE}"
  Call QueryService
  ${If} $SvcState <> 0
  ${AndIf} $SvcPath != "$INSTDIR\Lookout.exe"
    !insertmacro LK_LOOKOUT_WORD "uninstall"
  ${EndIf}
  !insertmacro LK_LOOKOUT_WORD "install"
  Call QueryService
  ${If} $SvcState = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(LkServiceInstallFailed)" /SD IDOK
  ${Else}
    !insertmacro LK_LOOKOUT_WORD "start"
    Call WaitServiceRunning
    ${If} $SvcState <> ${SERVICE_RUNNING}
      DetailPrint "$(LkServiceStartFailed)"
    ${EndIf}
  ${EndIf}

  CreateDirectory "${LK_START_MENU}"
  CreateShortcut "${LK_START_MENU}\Lookout.lnk" "$INSTDIR\Lookout.exe" "" "$INSTDIR\Lookout.exe" 0 SW_SHOWNORMAL "" "$(LkShortcutMain)"
  CreateShortcut "${LK_START_MENU}\Uninstall Lookout.lnk" "$INSTDIR\uninstall.exe" "" "$INSTDIR\uninstall.exe" 0 SW_SHOWNORMAL "" "$(LkShortcutUninstall)"

  WriteRegStr HKLM "${LK_UNINST_KEY}" "DisplayName" "${LK_PRODUCT}"
  WriteRegStr HKLM "${LK_UNINST_KEY}" "DisplayVersion" "${LK_VERSION}"
  WriteRegStr HKLM "${LK_UNINST_KEY}" "Publisher" "${LK_PUBLISHER}"
  WriteRegStr HKLM "${LK_UNINST_KEY}" "DisplayIcon" "$INSTDIR\Lookout.exe,0"
  WriteRegStr HKLM "${LK_UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${LK_UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${LK_UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${LK_UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${LK_UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R1 $R2 $R3
  WriteRegDWORD HKLM "${LK_UNINST_KEY}" "EstimatedSize" $R1
SectionEnd

Section "Uninstall"
  SetShellVarContext all

  StrCpy $SvcName "${LK_SERVICE}"
  Call un.StopService
  Call un.QueryService
  ${If} $SvcState <> 0
  ${AndIf} ${FileExists} "$INSTDIR\Lookout.exe"
    !insertmacro LK_LOOKOUT_WORD "uninstall"
    Call un.QueryService
    ${If} $SvcState <> 0
      DetailPrint "$(LkServiceRemoveFailed)"
    ${EndIf}
  ${EndIf}

  StrCpy $R0 "/u"
  Call un.RegisterMirage
  Call un.RemoveVideoCategoryLeftovers
  Call un.RemoveDriver

  !insertmacro LK_REMOVE_FILES32
  Delete "$INSTDIR\NetClient.dll"
  ; What the programs leave: the crash report and the camera server's logs.
  Delete "$INSTDIR\Lookout.RPT"
  RMDir /r "$INSTDIR\log"
  RMDir /r "$INSTDIR\ZOSkin"
  RMDir /r "$INSTDIR\default_skin"
  !insertmacro LK_REMOVE_FILES64
  Delete "$INSTDIR\x64\NetClient.dll"
  Delete "$INSTDIR\x64\Tinker.exe"
  ; Only a second name of the service's camera list.
  Delete "$INSTDIR\x64\DoderadIrava.ini"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\uninstall.exe"

  MessageBox MB_YESNO|MB_ICONQUESTION "$(LkAskDeleteSettings)" /SD IDNO IDNO keep_settings
    Delete "$INSTDIR\Lookout.ini"
    Delete "$INSTDIR\DoderadIrava.ini"
  keep_settings:
  RMDir "$INSTDIR"

  RMDir /r "${LK_START_MENU}"
  ; Last, so that a failed uninstallation can be run again from Add/Remove Programs.
  DeleteRegKey HKLM "${LK_UNINST_KEY}"
SectionEnd
