; The setup program of Tallivo, built with Debian's makensis:
;
;   makensis -DPROGRAM=bin/Tallivo.exe -DHELPDIR=bin -DOUTFILE=Tallivo-Setup.exe \
;            [-DARCH=amd64] installer/tallivo.nsi
;
; PROGRAM is the Tallivo.exe to install; its version resource gives the
; version. HELPDIR holds the help beside it (help\ and/or Tallivo.chm).
; ARCH=amd64 packages a 64-bit build.
;
; Command line (besides NSIS's own /S and /D=<folder>, which must come last):
;   /ALLUSERS       install for every user, into Program Files (needs administrator rights)
;   /NOSTARTUP      do not start Tallivo when Windows starts (silent installs)
;   /NOSHORTCUT     no start-menu shortcut (silent installs)
;   /afterupgrade   run by Tallivo's updater from the program's folder: upgrade
;                   it in place, silently, keeping the user's choices, and do not
;                   start the program (the updater does)

Unicode true
!ifndef PROGRAM | HELPDIR | OUTFILE
  !error "define PROGRAM, HELPDIR and OUTFILE (see the top of this file)"
!endif
!ifdef ARCH
  !if "${ARCH}" == "amd64"
    Target amd64-unicode
  !else
    !error "ARCH: only amd64 is known"
  !endif
!else
  Target x86-unicode
!endif

!getdllversion "${PROGRAM}" TALLIVO_V
!define VERSION "${TALLIVO_V1}.${TALLIVO_V2}.${TALLIVO_V3}.${TALLIVO_V4}"
!define PUBLISHER "Brismoor Ltd."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tallivo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Held by a running Tallivo; its main window's class, and the message that ends it.
!define MUTEX "KelvorTallivo"
!define WINDOW_CLASS "TFmMain"
!define EXIT_MESSAGE "TallivoExit"
; SYNCHRONIZE: enough to open the mutex and learn that it exists.
!define SYNCHRONIZE 0x00100000

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

Name "Tallivo"
OutFile "${OUTFILE}"
; Per user by default, so that updates need no administrator rights.
InstallDir "$LOCALAPPDATA\Programs\Tallivo"
RequestExecutionLevel user
SetCompressor /SOLID lzma
BrandingText "Tallivo ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Tallivo"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Tallivo setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2007 ${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}\..\app\res\tallivo.ico"
!define MUI_UNICON "${__FILEDIR__}\..\app\res\tallivo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_WELCOMEPAGE_TEXT "This will install Tallivo ${VERSION}, the euro and Cyprus pound calculator that lives in the notification area.$\r$\n$\r$\nIf Tallivo is running, it is closed during the installation and started again afterwards.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Tallivo now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartTallivoOnce

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers      ; 1: for every user (HKLM, Program Files)
Var AfterUpgrade  ; 1: run by the updater
Var WasRunning    ; 1: a running Tallivo was closed, to be started again

; Ends a running Tallivo the way its Terminate command does and waits, at most
; 15 s, until it is gone and its file can be written; asks to close it by hand
; otherwise. Sets $WasRunning.
!macro CLOSE_TALLIVO un
Function ${un}CloseTallivo
  StrCpy $WasRunning 0
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${MUTEX}") p.r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $WasRunning 1
    System::Call 'user32::RegisterWindowMessageW(w "${EXIT_MESSAGE}") i.r1'
    FindWindow $2 "${WINDOW_CLASS}"
    ${If} $2 <> 0
    ${AndIf} $1 <> 0
      SendMessage $2 $1 0 0 /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  StrCpy $3 0
  ${Do}
    System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${MUTEX}") p.r0'
    ${If} $0 P= 0
      ; The process is gone once Windows lets go of its file.
      ${IfNot} ${FileExists} "$INSTDIR\Tallivo.exe"
        ${Break}
      ${EndIf}
      ClearErrors
      FileOpen $4 "$INSTDIR\Tallivo.exe" a
      ${IfNot} ${Errors}
        FileClose $4
        ${Break}
      ${EndIf}
    ${Else}
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    IntOp $3 $3 + 1
    ${If} $3 >= 150
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Tallivo is still running. Close it (right-click its icon in the notification area, then Terminate) and click Retry." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Quit
      retry:
      StrCpy $3 0
    ${EndIf}
    Sleep 100
  ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_TALLIVO ""
!insertmacro CLOSE_TALLIVO "un."

; For every user: HKLM and the all-users folders; only an administrator may.
!macro SELECT_ALL_USERS
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    ${If} ${Silent}
      ; ERROR_ELEVATION_REQUIRED, for the script that ran it.
      SetErrorLevel 740
      Quit
    ${EndIf}
    ${GetParameters} $1
    ExecShell "runas" "$EXEPATH" "$1"
    Quit
  ${EndIf}
  SetShellVarContext all
!macroend

Section "Tallivo (required)" SecProgram
  SectionIn RO
  Call CloseTallivo
  SetOutPath "$INSTDIR"
  File "${PROGRAM}"
  !if /FileExists "${HELPDIR}\Tallivo.chm"
    File "${HELPDIR}\Tallivo.chm"
  !endif
  !if /FileExists "${HELPDIR}\help\index.html"
    ; Pages of an older version would stay behind.
    RMDir /r "$INSTDIR\help"
    File /r "${HELPDIR}\help"
  !endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  StrCpy $0 ""
  ${If} $AllUsers = 1
    StrCpy $0 " /ALLUSERS"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Tallivo"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tallivo.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"$0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S$0'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntFmt $1 "0x%08X" $1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Section "Start-menu shortcut" SecShortcut
  CreateShortcut "$SMPROGRAMS\Tallivo.lnk" "$INSTDIR\Tallivo.exe" "" "$INSTDIR\Tallivo.exe" 0
SectionEnd

Section "Start Tallivo when Windows starts" SecStartup
  ; "-i" leaves only the icon in the notification area.
  WriteRegStr SHCTX "${RUN_KEY}" "Tallivo" '"$INSTDIR\Tallivo.exe" -i'
SectionEnd

; Choices left out on a new install remove what an earlier one made; the
; updater's run keeps them all as they are.
Section "-choices left out"
  ${If} $AfterUpgrade = 0
    ${IfNot} ${SectionIsSelected} ${SecShortcut}
      Delete "$SMPROGRAMS\Tallivo.lnk"
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecStartup}
      DeleteRegValue SHCTX "${RUN_KEY}" "Tallivo"
    ${EndIf}
  ${EndIf}
SectionEnd

; After the sections: it selects them by their numbers.
Function .onInit
  StrCpy $AllUsers 0
  StrCpy $AfterUpgrade 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/afterupgrade" $R1
  ${IfNot} ${Errors}
    ; The updater put this program into the program's own folder.
    StrCpy $AfterUpgrade 1
    SetSilent silent
    StrCpy $INSTDIR $EXEDIR
    ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R2 == $EXEDIR
      StrCpy $AllUsers 1
    ${EndIf}
    !insertmacro UnselectSection ${SecShortcut}
    !insertmacro UnselectSection ${SecStartup}
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
      StrCpy $AllUsers 1
      ; Unless /D= named a folder.
      ${If} $INSTDIR == "$LOCALAPPDATA\Programs\Tallivo"
        !ifdef ARCH
          StrCpy $INSTDIR "$PROGRAMFILES64\Tallivo"
        !else
          StrCpy $INSTDIR "$PROGRAMFILES\Tallivo"
        !endif
      ${EndIf}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/NOSTARTUP" $R1
    ${IfNot} ${Errors}
      !insertmacro UnselectSection ${SecStartup}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/NOSHORTCUT" $R1
    ${IfNot} ${Errors}
      !insertmacro UnselectSection ${SecShortcut}
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers = 1
    !insertmacro SELECT_ALL_USERS
  ${EndIf}
FunctionEnd

Function StartTallivoOnce
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${MUTEX}") p.r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    Return
  ${EndIf}
  Exec '"$INSTDIR\Tallivo.exe"'
FunctionEnd

Function .onInstSuccess
  ; The updater starts the program itself.
  ${If} $AfterUpgrade = 0
  ${AndIf} $WasRunning = 1
    Call StartTallivoOnce
  ${EndIf}
FunctionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    !insertmacro SELECT_ALL_USERS
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseTallivo
  Delete "$SMPROGRAMS\Tallivo.lnk"
  ; Only the start-up entry of this installation: another may share the name.
  ReadRegStr $0 SHCTX "${RUN_KEY}" "Tallivo"
  ${If} $0 == '"$INSTDIR\Tallivo.exe" -i'
    DeleteRegValue SHCTX "${RUN_KEY}" "Tallivo"
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Tallivo.exe"
  Delete "$INSTDIR\Tallivo.chm"
  Delete "$INSTDIR\Uninstall.exe"
  ; Out of the folder, which cannot go while it is the current one. Not /r: a
  ; folder the user chose may hold other files. A virus scanner, an indexer or
  ; an open folder window may hold a folder for a moment, and a held folder
  ; cannot go, so the removal is tried a few times.
  SetOutPath "$TEMP"
  StrCpy $0 0
  ${Do}
    RMDir /r "$INSTDIR\help"
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
      ${Break}
    ${EndIf}
    IntOp $0 $0 + 1
    ${If} $0 >= 20
      ${Break}
    ${EndIf}
    Sleep 250
  ${Loop}
SectionEnd
