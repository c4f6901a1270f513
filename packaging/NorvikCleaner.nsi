; The installer of Norvik Cleaner. Built by the package target of the
; Windows builds (CMakeLists.txt), which passes:
;   VERSION  the program's version ("2.8.0")
;   ARCH     win64 or win32
;   STAGE    the folder that holds the program's files
;   FILES    an include file with the macros InstallProgramFiles and
;            RemoveProgramFiles, which name those files one by one
;   OUTFILE  the installer to write
;   SIGN_UNINSTALLER  (optional) a command that signs the uninstaller, "%1"
;            standing for its path
;
; The program keeps its settings, lists and backups in its own folder, and
; runs with the user's rights: it is installed per user, into a folder the
; user can write. The installer and the uninstaller never touch the user's
; files (options.ini, Custom.dat, Cookies.ini, Backup); only an interactive
; uninstall removes them, and only when the user says so, and then only the
; files the program writes, never a whole folder.
;
; A running copy of the program is asked to close (by its main window's
; class) before any file is replaced or removed; one still running after 10
; seconds fails the run with exit code 3 before anything changed. A file
; that cannot be written fails the install with exit code 4, and the
; uninstall entry then keeps the version that is really installed. Each
; step is also written to "%TEMP%\Norvik Cleaner setup.log".

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "LogicLib.nsh"
!include "x64.nsh"
!include "${FILES}"

!define PRODUCT "Norvik Cleaner"
!define PUBLISHER "Norvik Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NorvikCleaner"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The program's main window class, part of its outside interface.
!define WINDOW_CLASS "Norvik Cleaner Made by Norvik Software"
!define AUTOSTART_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define AUTOSTART_VALUE "Norvik Cleaner"
!define SETUP_LOG "$TEMP\Norvik Cleaner setup.log"
!define WM_CLOSE 0x0010
!define EXIT_STILL_RUNNING 3
!define EXIT_NOT_WRITTEN 4

!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER} "%1"'
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the version before it went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup (${ARCH})"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) Norvik Software"

LicenseData "${STAGE}/License.txt"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Writes a line to the details list and to the setup log.
!macro Log text
  DetailPrint "${text}"
  Push $9
  FileOpen $9 "${SETUP_LOG}" a
  FileSeek $9 0 END
  FileWrite $9 "${text}$\r$\n"
  FileClose $9
  Pop $9
!macroend

; Asks every running copy of the program to close and waits up to 10
; seconds for its windows to go and its program file to be free. On
; return the error flag says that it is still running.
!macro CloseRunningProgramFunction prefix
Function ${prefix}CloseRunningProgram
  Push $0
  Push $1
  Push $2
  ClearErrors
  StrCpy $1 0
  FindWindow $0 "${WINDOW_CLASS}"
  ${If} $0 <> 0
    !insertmacro Log "Asking the running ${PRODUCT} to close"
  ${EndIf}
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 <> 0
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${ElseIfNot} ${FileExists} "$INSTDIR\NorvikCleaner.exe"
      ${Break}
    ${Else}
      ; The window is gone; the process may still hold its file.
      ClearErrors
      FileOpen $2 "$INSTDIR\NorvikCleaner.exe" a
      ${IfNot} ${Errors}
        FileClose $2
        ${Break}
      ${EndIf}
    ${EndIf}
    ${If} $1 >= 40
      !insertmacro Log "${PRODUCT} is still running after 10 seconds: close it and run this again"
      SetErrors
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $1 $1 + 1
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CloseRunningProgramFunction ""
!insertmacro CloseRunningProgramFunction "un."

Function .onInit
  SetShellVarContext current
  !if "${ARCH}" == "win64"
    ${IfNot} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "This package is for 64-bit Windows. Please use the 32-bit package." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  !endif
FunctionEnd

Section "Program"
  SetShellVarContext current
  !insertmacro Log "Installing ${PRODUCT} ${VERSION} (${ARCH}) into $INSTDIR"
  Call CloseRunningProgram
  ${If} ${Errors}
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  ; A file that cannot be replaced sets the error flag and is not asked
  ; about; the entry below then keeps naming what is installed.
  SetOverwrite try
  ClearErrors
  !insertmacro InstallProgramFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro Log "A file of ${PRODUCT} could not be written: the installation is incomplete"
    SetErrorLevel ${EXIT_NOT_WRITTEN}
    Abort
  ${EndIf}

  CreateShortcut "${SHORTCUT}" "$INSTDIR\NorvikCleaner.exe" "" "$INSTDIR\NorvikCleaner.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\NorvikCleaner.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  !insertmacro Log "Installed ${PRODUCT} ${VERSION}"
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro Log "Removing ${PRODUCT} from $INSTDIR"
  Call un.CloseRunningProgram
  ${If} ${Errors}
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort
  ${EndIf}
  ClearErrors
  !insertmacro RemoveProgramFiles
  ${If} ${FileExists} "$INSTDIR\NorvikCleaner.exe"
    !insertmacro Log "$INSTDIR\NorvikCleaner.exe could not be removed"
    SetErrorLevel ${EXIT_NOT_WRITTEN}
    Abort
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The autostart entry goes when it starts this program.
  ReadRegStr $0 HKCU "${AUTOSTART_KEY}" "${AUTOSTART_VALUE}"
  ${If} $0 == '"$INSTDIR\NorvikCleaner.exe" /Auto'
    DeleteRegValue HKCU "${AUTOSTART_KEY}" "${AUTOSTART_VALUE}"
    !insertmacro Log "Removed the autostart entry"
  ${EndIf}

  ; The user's own files stay unless the user asks otherwise; a silent
  ; uninstall always keeps them. Only what the program writes goes: its
  ; settings, lists and backup files (named by their date and time).
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Do you also want to remove your settings, custom lists, cookie keep list and registry backups from $INSTDIR?" \
    /SD IDNO IDNO keep
  Delete "$INSTDIR\options.ini"
  Delete "$INSTDIR\options.ini.tmp~"
  Delete "$INSTDIR\Custom.dat"
  Delete "$INSTDIR\Cookies.ini"
  FindFirst $0 $1 "$INSTDIR\Backup\????_??_??_??????.reg"
  ${DoWhile} $1 != ""
    Delete "$INSTDIR\Backup\$1"
    FindNext $0 $1
  ${Loop}
  FindClose $0
  RMDir "$INSTDIR\Backup"
keep:
  ; Gone only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
