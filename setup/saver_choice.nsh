; The user's choice of screen saver under HKCU\Control Panel\Desktop: setup remembers the
; previous choice before it chooses Lakeglass, and the uninstaller puts it back only while
; Lakeglass is still the choice, so that a saver the user picked later stays.

!define DESKTOP_KEY "Control Panel\Desktop"
!define RECORD_KEY "Software\Lakeglass\Setup"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3  ; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

; Both halves need the same test, and the uninstaller's functions must carry "un.".
!macro DEFINE_NAMES_LAKEGLASS prefix
  ; $R0: a saver path as the registry holds it, often in 8.3 form; $R1: 1 when its file is
  ; Lakeglass.scr, else 0.
  Function ${prefix}NamesLakeglass
    Push $R2
    System::Call 'kernel32::GetLongPathNameW(w R0, w .R1, i ${NSIS_MAX_STRLEN}) i .R2'
    ${If} $R2 = 0
      StrCpy $R1 $R0
    ${EndIf}
    ${GetFileName} $R1 $R2
    ${If} $R2 == "Lakeglass.scr"
      StrCpy $R1 1
    ${Else}
      StrCpy $R1 0
    ${EndIf}
    Pop $R2
  FunctionEnd
!macroend
!insertmacro DEFINE_NAMES_LAKEGLASS ""
!insertmacro DEFINE_NAMES_LAKEGLASS "un."

; Tells running programs and the system's idle timer that the choice has changed.
!macro ANNOUNCE_ACTIVE active
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i ${active}, p 0, i ${SPIF_UPDATE_AND_SEND})'
!macroend

; An upgrade finds Lakeglass already chosen and keeps the choice recorded the first time.
Function ChooseLakeglass
  ReadRegStr $R0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call NamesLakeglass
  ${If} $R1 = 0
    ReadRegStr $R2 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${RECORD_KEY}" "PreviousSaver" $R0
    WriteRegStr HKCU "${RECORD_KEY}" "PreviousActive" $R2
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Lakeglass.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  !insertmacro ANNOUNCE_ACTIVE 1
FunctionEnd

; Runs while Lakeglass.scr still exists, so that an 8.3 path to it can be resolved.
Function un.RestorePreviousSaver
  ReadRegStr $R0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.NamesLakeglass
  ${If} $R1 = 1
    ReadRegStr $R0 HKCU "${RECORD_KEY}" "PreviousSaver"
    ReadRegStr $R2 HKCU "${RECORD_KEY}" "PreviousActive"
    ${If} $R0 == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      StrCpy $R2 0
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $R0
    ${EndIf}
    ${If} $R2 != 1
      StrCpy $R2 0
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" $R2
    !insertmacro ANNOUNCE_ACTIVE $R2
  ${EndIf}
  DeleteRegKey HKCU "${RECORD_KEY}"
FunctionEnd
