; The Windows installer, made by scripts/package with NSIS's makensis:
;   makensis -DVERSION=<version> -DVERSION_DOTTED=<a.b.c.d> -DSTAGE=<folder>
;            -DICON=<.ico> -DOUTFILE=<setup.exe> quillon.nsi
; STAGE holds quillon.exe, quillon-cli.exe and README.md as they are installed.
; A silent install (/S) takes every component selected by default.
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
; No file times in the installer: the same build gives the same bytes.
SetDateSave off
RequestExecutionLevel admin

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include StrFunc.nsh
!include WinMessages.nsh

${StrStr}
${UnStrRep}

Name "Quillon"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quillon"
InstallDirRegKey HKLM "Software\Quillon" "InstallDir"
BrandingText "Quillon ${VERSION}"

VIProductVersion "${VERSION_DOTTED}"
VIAddVersionKey /LANG=1033 "ProductName" "Quillon"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Quillon setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 the Quillon developers"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define VERB "shell\Quillon.Verify"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillon.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillon"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

; Explorer's "Verify with Quillon" for one file extension, whatever program
; the extension opens with.
!macro VerifyVerb EXTENSION
    WriteRegStr HKLM "Software\Classes\SystemFileAssociations\${EXTENSION}\${VERB}" "" \
        "Verify with Quillon"
    WriteRegStr HKLM "Software\Classes\SystemFileAssociations\${EXTENSION}\${VERB}" "Icon" \
        '"$INSTDIR\quillon.exe",0'
    WriteRegStr HKLM "Software\Classes\SystemFileAssociations\${EXTENSION}\${VERB}\command" "" \
        '"$INSTDIR\quillon.exe" "%1"'
!macroend

Section "Quillon" SecPrograms
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "${STAGE}\quillon.exe"
    File "${STAGE}\quillon-cli.exe"
    File "${STAGE}\README.md"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Quillon.lnk" "$INSTDIR\quillon.exe" "" \
        "$INSTDIR\quillon.exe" 0 SW_SHOWNORMAL "" "Check the signatures of photos and movies"

    !insertmacro VerifyVerb ".jpg"
    !insertmacro VerifyVerb ".jpeg"
    !insertmacro VerifyVerb ".avi"

    WriteRegStr HKLM "Software\Quillon" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillon"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quillon developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\quillon.exe",0'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The folder goes on the system's PATH once, as an entry of its own. A PATH
; longer than NSIS can hold is left alone rather than cut short.
Section "quillon-cli on the PATH" SecPath
    ClearErrors
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 "$0"
    ${If} ${Errors}
    ${OrIf} $1 > 900
        DetailPrint "PATH is too long to change safely; add $INSTDIR to it by hand."
        Return
    ${EndIf}
    ${StrStr} $2 ";$0;" ";$INSTDIR;"
    ${If} $2 == ""
        ${If} $0 == ""
            StrCpy $0 "$INSTDIR"
        ${Else}
            StrCpy $0 "$0;$INSTDIR"
        ${EndIf}
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
        WriteRegDWORD HKLM "Software\Quillon" "OnPath" 1
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrograms} \
        "The window, the command line, a Start-menu entry and Explorer's $\"Verify with Quillon$\" for photos and movies."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} \
        "Puts the installation folder on the system's PATH, so that quillon-cli runs from any command prompt."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
    SetShellVarContext all
    ; Only the entry the installer added, matched as a whole entry.
    ReadRegDWORD $3 HKLM "Software\Quillon" "OnPath"
    ClearErrors
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 "$0"
    ${If} $3 == 1
    ${AndIfNot} ${Errors}
    ${AndIf} $1 <= 1000
        StrCpy $1 ";$0;"
        ${Do}
            StrCpy $2 $1
            ${UnStrRep} $1 $1 ";$INSTDIR;" ";"
        ${LoopUntil} $1 == $2
        StrCpy $1 $1 "" 1 ; the ";" added at each end
        StrCpy $1 $1 -1
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$1"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}

    Delete "$SMPROGRAMS\Quillon.lnk"
    DeleteRegKey HKLM "Software\Classes\SystemFileAssociations\.jpg\${VERB}"
    DeleteRegKey HKLM "Software\Classes\SystemFileAssociations\.jpeg\${VERB}"
    DeleteRegKey HKLM "Software\Classes\SystemFileAssociations\.avi\${VERB}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\Quillon"

    Delete "$INSTDIR\quillon.exe"
    Delete "$INSTDIR\quillon-cli.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\uninstall.exe"
    ; Not /r: whatever else someone put in the folder stays, with the folder.
    RMDir "$INSTDIR"
SectionEnd
