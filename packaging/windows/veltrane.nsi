; Veltrane's Windows installer. The update folder serves this same installer as
; VTR_Upgrade.exe: run over an installed copy it stops the running program, replaces
; its files in place and starts it again; the user's password (in %LOCALAPPDATA%\Veltrane)
; is not touched. /S installs silently with the defaults.
;
; makensis -DARCH=x64|x86 -DVERSION=1.0.0 -DSTAGE=folder -DICON=veltrane.ico
;          -DOUTFILE=VeltraneSetup-x64.exe veltrane.nsi
; STAGE holds appVTR.exe, README.txt and help\.

!ifndef ARCH | VERSION | STAGE | ICON | OUTFILE
!error "ARCH, VERSION, STAGE, ICON and OUTFILE must be defined"
!endif

; A 64-bit installer for the 64-bit program, so that it sees the 64-bit Program Files
; and registry; a 32-bit one for the 32-bit program.
!if "${ARCH}" == "x64"
Target amd64-unicode
!define PROGRAM_FILES "$PROGRAMFILES64"
!else
Target x86-unicode
!define PROGRAM_FILES "$PROGRAMFILES"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PRODUCT "Veltrane"
!define PUBLISHER "Corvenna"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltrane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The running program's hidden main window, which takes WM_CLOSE as Quit.
!define MAIN_WINDOW_CLASS "VeltraneMain"
!define DATA_FOLDER "$LOCALAPPDATA\Veltrane"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true
InstallDir "${PROGRAM_FILES}\${PRODUCT}"
; An upgrade goes where the installed copy is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "© 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed and running: its icon is in the notification area of the taskbar. Right-click it for everything it does."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your password stays unless you choose to remove it too."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var upgrading

; Asks the running Veltrane to quit, as its own Quit does, and waits for it to end (its
; lock supervisor ends with it). It refuses while it locks the desktop: then the user is
; asked to unlock; a silent run gives up.
!macro STOP_VELTRANE un
; A process of the program that is still ending (a supervisor standing down) holds the
; file a moment longer: wait until it can be written, 10 s at most.
Function ${un}WaitForProgramFile
    StrCpy $4 0
    ${DoWhile} ${FileExists} "$INSTDIR\appVTR.exe"
        ClearErrors
        FileOpen $5 "$INSTDIR\appVTR.exe" a
        ${IfNot} ${Errors}
            FileClose $5
            ${Break}
        ${EndIf}
        IntOp $4 $4 + 1
        ${IfThen} $4 > 50 ${|} ${Break} ${|}
        Sleep 200
    ${Loop}
FunctionEnd

Function ${un}StopVeltrane
    retry:
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    ${If} $0 = 0
        Call ${un}WaitForProgramFile
        Return
    ${EndIf}
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    ; SYNCHRONIZE, to wait for the process to end.
    System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 P<> 0
        System::Call "kernel32::WaitForSingleObject(p r2, i 10000) i .r3"
        System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
        StrCpy $3 1
    ${EndIf}
    ${If} $3 = 0
        Goto retry ; another copy may be running too
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is still running. It does not close while it locks the desktop: unlock it, then choose Retry." \
        /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
FunctionEnd
!macroend
!insertmacro STOP_VELTRANE ""
!insertmacro STOP_VELTRANE "un."

Section "${PRODUCT}" SecProgram
    SectionIn RO
    Call StopVeltrane
    SetOutPath "$INSTDIR"
    File "${STAGE}\appVTR.exe"
    File "${STAGE}\README.txt"
    SetOutPath "$INSTDIR\help"
    File /r "${STAGE}\help\*.*"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetShellVarContext all
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\appVTR.exe" "" "$INSTDIR\appVTR.exe" 0
    SetShellVarContext current

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\appVTR.exe$\",0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "https://www.corvenna.com"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Start ${PRODUCT} when I sign in" SecSignIn
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" "$\"$INSTDIR\appVTR.exe$\""
SectionEnd

; Last: the option turned off removes the value, and the program starts again. The
; running shell starts it, so that it runs as the signed-in user and not with the
; installer's administrator rights; without a shell the installer starts it itself.
Section "-Start"
    ${IfNot} ${SectionIsSelected} ${SecSignIn}
        DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
    FindWindow $0 "Shell_TrayWnd"
    ${If} $0 <> 0
        Exec "$\"$WINDIR\explorer.exe$\" $\"$INSTDIR\appVTR.exe$\""
    ${Else}
        Exec "$\"$INSTDIR\appVTR.exe$\""
    ${EndIf}
SectionEnd

Function .onInit
!if "${ARCH}" == "x64"
    SetRegView 64
!endif
    ReadRegStr $upgrading HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ; An upgrade keeps the user's choice: no Run value means it was turned off.
    ${If} $upgrading != ""
        ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
        ${If} $0 == ""
            !insertmacro UnselectSection ${SecSignIn}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function SkipFolderOnUpgrade
    ${If} $upgrading != ""
        Abort
    ${EndIf}
FunctionEnd

Function un.onInit
!if "${ARCH}" == "x64"
    SetRegView 64
!endif
FunctionEnd

Section "un.${PRODUCT}"
    SectionIn RO
    Call un.StopVeltrane
    Delete "$INSTDIR\appVTR.exe"
    Delete "$INSTDIR\README.txt"
    RMDir /r "$INSTDIR\help"
    Delete "$INSTDIR\uninstall.exe"
    ; Only an empty folder: whatever else the user put there stays.
    RMDir "$INSTDIR"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    SetShellVarContext current
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless chosen: the password file is kept read-only, so its attributes go first.
Section /o "un.Remove my password and downloaded updates" SecRemoveData
    SetFileAttributes "${DATA_FOLDER}\vtrpwd.sys" NORMAL
    Delete "${DATA_FOLDER}\vtrpwd.sys"
    Delete "${DATA_FOLDER}\vtrpwd.tmp"
    Delete "${DATA_FOLDER}\vtrver.txt"
    Delete "${DATA_FOLDER}\VTR_Upgrade.exe"
    Delete "${DATA_FOLDER}\VTR_Upgrade.exe.sig"
    RMDir "${DATA_FOLDER}"
SectionEnd
