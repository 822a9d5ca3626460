; The Windows installer, a 64-bit NSIS installer made by dist/windows/package.sh from the folder
; it stages: both programs, the screensaver, the two sounds, README and licence go to the
; chosen folder (Program Files\Sparkler unless /D= says otherwise), the screensaver also to
; System32, where the screen saver settings look for it. A Start-menu folder holds the program
; and the uninstaller, which is also listed under Add/Remove programs. /S installs and
; uninstalls silently.
; Defines given by the script: VERSION (1.2.3), STAGE (the staged folder), ICON, OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sparkler"

Name "Sparkler"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sparkler"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Sparkler ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Sparkler"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Sparkler ${VERSION} installer"
VIAddVersionKey /LANG=1033 "CompanyName" "The Sparkler developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence"

!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\sparkler.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start the sparkler"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Sparkler"
  SetShellVarContext all
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}\sparkler.exe"
  File "${STAGE}\sparkler-replay.exe"
  File "${STAGE}\sparkler.scr"
  File "${STAGE}\Sparkler.wav"
  File "${STAGE}\BackgroundSound.wav"
  File "${STAGE}\README.md"
  File "${STAGE}\LICENSE.txt"
  ; The screen saver settings list the screensavers in System32.
  SetOutPath "$SYSDIR"
  File "${STAGE}\sparkler.scr"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Sparkler"
  CreateShortcut "$SMPROGRAMS\Sparkler\Sparkler.lnk" "$INSTDIR\sparkler.exe" "" "$INSTDIR\sparkler.exe" 0
  CreateShortcut "$SMPROGRAMS\Sparkler\Uninstall Sparkler.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Sparkler"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Sparkler developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sparkler.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  SetRegView 64
  Delete "$INSTDIR\sparkler.exe"
  Delete "$INSTDIR\sparkler-replay.exe"
  Delete "$INSTDIR\sparkler.scr"
  Delete "$INSTDIR\Sparkler.wav"
  Delete "$INSTDIR\BackgroundSound.wav"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SYSDIR\sparkler.scr"
  Delete "$SMPROGRAMS\Sparkler\Sparkler.lnk"
  Delete "$SMPROGRAMS\Sparkler\Uninstall Sparkler.lnk"
  RMDir "$SMPROGRAMS\Sparkler"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
