; The checks that run before anything is changed, and their messages. Each refusal explains
; itself in a message box and, for a silent run with no one to read it, in
; %TEMP%\Lakeglass-setup.log; it ends with exit code 2.

!define REFUSAL_LOG "$TEMP\Lakeglass-setup.log"

!macro REFUSE text
  FileOpen $9 "${REFUSAL_LOG}" w
  FileWrite $9 "${text}$\r$\n"
  FileClose $9
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

; The saver goes into the system folder and the uninstall entry into the machine's registry.
!macro CHECK_ADMINISTRATOR
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro REFUSE "Lakeglass setup needs administrator rights, because it puts the screen saver into the Windows system folder.$\r$\n$\r$\nRight-click the setup program and choose $\"Run as administrator$\", or ask an administrator of this PC."
  ${EndIf}
!macroend

!macro CHECK_WINDOWS
  !if ${BITS} == 64
    ${IfNot} ${AtLeastWinVista}
      !insertmacro REFUSE "Lakeglass for 64-bit Windows needs Windows Vista x64 or later."
    ${EndIf}
  !else
    ${If} ${RunningX64}
      !insertmacro REFUSE "This is the setup for 32-bit Windows, and this Windows is 64-bit.$\r$\n$\r$\nPlease run Lakeglass-${VERSION}-Setup-64bit.exe instead."
    ${EndIf}
    ; Two tests, since the conditions of one chain are taken in turn, not by precedence:
    ; Windows 2000 SP4 would pass "older than XP, or XP, and not SP3" as "(older or XP)
    ; and not SP3".
    !define /ifndef OLDEST_WINDOWS "Lakeglass needs Windows XP with Service Pack 3, or a later Windows."
    ${IfNot} ${AtLeastWinXP}
      !insertmacro REFUSE "${OLDEST_WINDOWS}"
    ${EndIf}
    ${If} ${IsWinXP}
    ${AndIfNot} ${AtLeastServicePack} 3
      !insertmacro REFUSE "${OLDEST_WINDOWS}"
    ${EndIf}
    ; PF_XMMI64_INSTRUCTIONS_AVAILABLE: the program is built for SSE2 throughout.
    System::Call 'kernel32::IsProcessorFeaturePresent(i 10) i .r0'
    ${If} $0 = 0
      !insertmacro REFUSE "Lakeglass needs a processor with SSE2 (a Pentium 4, an Athlon 64 or any later one)."
    ${EndIf}
  !endif
!macroend

; A running saver (or the settings previewing it) holds its file open; Windows then lets no
; one replace or remove it. Opening it for writing tells, without changing it.
!macro CHECK_NOT_IN_USE file
  ${If} ${FileExists} "${file}"
    ClearErrors
    FileOpen $0 "${file}" a
    ${If} ${Errors}
      !insertmacro REFUSE "Lakeglass.scr in the Windows system folder is in use, by the running screen saver or by the Screen Saver Settings.$\r$\n$\r$\nClose them and try again. Nothing was changed."
    ${EndIf}
    FileClose $0
  ${EndIf}
!macroend
