; The Windows installer: Tensiova under Program Files, a Start-menu entry, the folder on the
; system PATH (so that "tensiova --send" works in any console), and an uninstaller listed among
; the installed programs. makensis -DVERSION=… -DBUILD=… -DPACKAGING=… -DOUTFILE=… installer.nsi;
; the installer runs silently with /S.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"
!include "WordFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Tensiova"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tensiova"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define UNINSTALLER "desinstaller.exe"

; With a code-signing certificate, the uninstaller is signed as makensis writes it into the
; installer (-DSIGNER=the signing script).
!ifdef SIGNER
!uninstfinalize '"${SIGNER}" "%1"'
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1036 "CompanyName" "Tensiova"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de ${PRODUCT}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "Licence MIT"

!define MUI_ICON "${PACKAGING}/tensiova.ico"
!define MUI_UNICON "${PACKAGING}/tensiova.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tensiova.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Démarrer Tensiova"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Tensiova"
    !include "${BUILD}/install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tensiova.exe" "" "$INSTDIR\tensiova.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tensiova"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tensiova.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    ; The installer's strings hold 1,023 characters: a longer PATH would come back cut, and
    ; writing it again would lose the end of it. Such a PATH is left alone.
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 $0
    ${If} $1 >= 1000
        DetailPrint "PATH trop long pour être modifié sans risque : ajoutez-y $INSTDIR vous-même."
    ${Else}
        ${WordFind} "$0" "$INSTDIR" "E+1{" $2
        ${If} ${Errors}
            ${If} $0 == ""
                StrCpy $0 "$INSTDIR"
            ${Else}
                StrCpy $0 "$0;$INSTDIR"
            ${EndIf}
            WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
            WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
            SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=3000
        ${EndIf}
    ${EndIf}
SectionEnd

Section "Uninstall"
    ReadRegDWORD $3 HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 $0
    ${If} $3 == 1
    ${AndIf} $1 < 1000
        ${un.WordReplace} "$0" ";$INSTDIR" "" "+" $0
        ${un.WordReplace} "$0" "$INSTDIR" "" "+" $0
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=3000
    ${EndIf}

    ; Exactly what was installed; the settings in each user's application-data folder stay.
    !include "${BUILD}/uninstall-files.nsh"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
