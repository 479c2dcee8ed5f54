; The setup program for Lakeglass: puts Lakeglass.scr into the Windows system folder, makes
; it the screen saver if the user likes, and leaves an uninstaller in Program Files with one
; entry under Apps / Programs and Features. scripts/make-dist builds it once per processor:
;   makensis /DBITS=64|32 /DVERSION=... /DPRODUCT_VERSION=... /DPUBLISHER=...
;            /DSAVER=<Lakeglass.scr> /DICON=<.ico> /DOUTFILE=<setup.exe> setup/lakeglass.nsi

Unicode true
!if ${BITS} == 64
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!include LogicLib.nsh
!include x64.nsh
!include WinVer.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include refusals.nsh
!include saver_choice.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lakeglass"
!define SAVER_FILE "$SYSDIR\Lakeglass.scr"

Name "Lakeglass ${VERSION}"
OutFile "${OUTFILE}"
; A 64-bit setup sees the real system32, Program Files and the 64-bit registry view.
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\Lakeglass"
!else
  InstallDir "$PROGRAMFILES\Lakeglass"
!endif
ShowInstDetails show
ShowUninstDetails show
BrandingText "Lakeglass ${VERSION}"

VIProductVersion ${PRODUCT_VERSION}
VIAddVersionKey /LANG=1033 ProductName "Lakeglass"
VIAddVersionKey /LANG=1033 ProductVersion ${PRODUCT_VERSION}
VIAddVersionKey /LANG=1033 FileVersion ${PRODUCT_VERSION}
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "Lakeglass ${VERSION} setup (${BITS}-bit Windows)"
VIAddVersionKey /LANG=1033 LegalCopyright "MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSaverSettings
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  Delete "${REFUSAL_LOG}"
  !insertmacro CHECK_WINDOWS
  !insertmacro CHECK_ADMINISTRATOR
  SetShellVarContext all
FunctionEnd

Function un.onInit
  Delete "${REFUSAL_LOG}"
  !insertmacro CHECK_ADMINISTRATOR
  SetShellVarContext all
FunctionEnd

; The new saver arrives under a temporary name and replaces the old one by renames, so a
; failure at any step leaves the installed saver as it was.
Section "Lakeglass screen saver" SectionSaver
  SectionIn RO
  !insertmacro CHECK_NOT_IN_USE "${SAVER_FILE}"
  ClearErrors
  SetOverwrite on
  File "/oname=${SAVER_FILE}.new" "${SAVER}"
  ${If} ${Errors}
    Delete "${SAVER_FILE}.new"
    !insertmacro REFUSE "Lakeglass.scr could not be written to $SYSDIR. Nothing was changed."
  ${EndIf}
  Delete "${SAVER_FILE}.old"
  ${If} ${FileExists} "${SAVER_FILE}"
    Rename "${SAVER_FILE}" "${SAVER_FILE}.old"
  ${EndIf}
  ClearErrors
  Rename "${SAVER_FILE}.new" "${SAVER_FILE}"
  ${If} ${Errors}
    Rename "${SAVER_FILE}.old" "${SAVER_FILE}"
    Delete "${SAVER_FILE}.new"
    !insertmacro REFUSE "Lakeglass.scr could not be put in place in $SYSDIR. Nothing was changed."
  ${EndIf}
  Delete /REBOOTOK "${SAVER_FILE}.old"

  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SectionGetSize ${SectionSaver} $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Lakeglass"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${SAVER_FILE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Make Lakeglass my screen saver" SectionChoose
  Call ChooseLakeglass
SectionEnd

; Windows XP's display settings know the tab by number, later ones by name.
Function OpenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\control.exe" desk.cpl,,1'
  ${EndIf}
FunctionEnd

; The user's own settings under HKCU\Software\Lakeglass stay for a later install.
Section "Uninstall"
  !insertmacro CHECK_NOT_IN_USE "${SAVER_FILE}"
  Call un.RestorePreviousSaver
  Delete "${SAVER_FILE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
