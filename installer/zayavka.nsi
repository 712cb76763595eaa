; The Windows installer of the program: a per-user install (no administrator
; rights) into a folder the program may write, since it keeps its settings
; and orders beside itself. Built by scripts/windows-installer.sh with
; Debian's makensis from the folder scripts/windows-stage.py lays out:
;
;   makensis -INPUTCHARSET UTF8 -DSTAGE=... -DFILES=files.nsh -DOUTFILE=... zayavka.nsi
;
; PRICE, when defined, is a catalog installed as price.zv unless the folder
; has one already. The uninstaller removes what this installer put there
; (FILES lists it), the shortcuts, the file type and its own entry, and
; never the orders, the settings or the catalog.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define TITLE "Заявка по каталогу"
!define MENU "Зетрово"
!define FILETYPE "Files of Zetrovo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZetrovoZayavka"

Name "${TITLE}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zetrovo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_FINISHPAGE_RUN "$INSTDIR\zayavka.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "Program"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
!ifdef PRICE
    ; A catalog the program already has may be newer than this one.
    SetOverwrite off
    File "/oname=price.zv" "${PRICE}"
    SetOverwrite on
!endif
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The same shortcuts as the program's first start makes, so neither
    ; makes a second set.
    CreateShortcut "$DESKTOP\${TITLE}.lnk" "$INSTDIR\zayavka.exe"
    CreateDirectory "$SMPROGRAMS\${MENU}"
    CreateShortcut "$SMPROGRAMS\${MENU}\${TITLE}.lnk" "$INSTDIR\zayavka.exe"
    CreateShortcut "$SMPROGRAMS\${MENU}\Справка.lnk" "$INSTDIR\readme.txt"

    WriteRegStr HKCU "Software\Classes\.zv" "" "${FILETYPE}"
    WriteRegStr HKCU "Software\Classes\${FILETYPE}\DefaultIcon" "" "$INSTDIR\zayavka.exe,0"
    WriteRegStr HKCU "Software\Classes\${FILETYPE}\Shell\Open\command" "" '"$INSTDIR\zayavka.exe" "%1"'
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MENU}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zayavka.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    ; Empty only: the orders, the settings and the catalog stay.
    RMDir "$INSTDIR"

    Delete "$DESKTOP\${TITLE}.lnk"
    Delete "$SMPROGRAMS\${MENU}\${TITLE}.lnk"
    Delete "$SMPROGRAMS\${MENU}\Справка.lnk"
    RMDir "$SMPROGRAMS\${MENU}"

    ; The file type only while it is still this copy's.
    ReadRegStr $0 HKCU "Software\Classes\${FILETYPE}\Shell\Open\command" ""
    ${If} $0 == '"$INSTDIR\zayavka.exe" "%1"'
        DeleteRegKey HKCU "Software\Classes\${FILETYPE}"
        ReadRegStr $1 HKCU "Software\Classes\.zv" ""
        ${If} $1 == "${FILETYPE}"
            DeleteRegKey HKCU "Software\Classes\.zv"
        ${EndIf}
        System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    ${EndIf}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
