; Tarnwick's installer: per user, with no administrator rights, into %LOCALAPPDATA%\Programs\Tarnwick.
; scripts/package-windows.sh runs makensis with VERSION, VERSION4 (four numbers), STAGE (the folder
; holding tarnwick.exe, README.txt and LICENSE.txt), ICON, WIZARD (the finish page's 164 x 314
; picture) and OUTFILE defined.
; /S installs or uninstalls silently; /D=<folder> (last on the command line) picks another folder.

Unicode true
; The program is x64 only, and a 64-bit installer runs where the 32-bit Wine layer is missing too.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define APP_NAME "Tarnwick App"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tarnwick"
; A new version goes where the last one was put.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Tarnwick ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "Tarnwick"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP_NAME} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Tarnwick"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\tarnwick.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP_NAME}"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Tarnwick App"
  SetShellVarContext current
  ; A running copy keeps its file locked, and a silent install would otherwise end "successfully"
  ; with the old program still in place.
  check_running:
  ${If} ${FileExists} "$INSTDIR\tarnwick.exe"
    ClearErrors
    FileOpen $0 "$INSTDIR\tarnwick.exe" a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Close ${APP_NAME}, then click Retry." \
        /SD IDCANCEL IDRETRY check_running
      SetErrorLevel 2
      Abort "${APP_NAME} is running."
    ${EndIf}
    FileClose $0
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${STAGE}\tarnwick.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Straight in the Start menu's list, not in a folder of its own, as Windows 10 and 11 show apps.
  CreateShortcut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\tarnwick.exe" "" "$INSTDIR\tarnwick.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tarnwick"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnwick.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as Settings shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: the user's tools and settings live elsewhere
; (%LOCALAPPDATA%\Tarnwick, HKCU\Software\Tarnwick) and stay for the next version. The folder itself
; goes only once empty, in case the user chose one that holds other files.
Section "Uninstall"
  SetShellVarContext current
  ClearErrors
  Delete "$INSTDIR\tarnwick.exe"
  ${If} ${Errors}
    ; Still running: removing the rest would leave a program that cannot be uninstalled again.
    MessageBox MB_OK|MB_ICONEXCLAMATION "Close ${APP_NAME} and run the uninstaller again." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$SMPROGRAMS\${APP_NAME}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
