; The installer of Norvik Cleaner. Built by the package target of the
; Windows builds (CMakeLists.txt), which passes:
;   VERSION  the program's version ("2.8.0")
;   ARCH     win64 or win32
;   STAGE    the folder that holds the program's files
;   FILES    an include file with the macros InstallProgramFiles and
;            RemoveProgramFiles, which name those files one by one
;   OUTFILE  the installer to write
;
; The program keeps its settings, lists and backups in its own folder, and
; runs with the user's rights: it is installed per user, into a folder the
; user can write. The installer and the uninstaller never touch the user's
; files (options.ini, Custom.dat, Cookies.ini, Backup); only an interactive
; uninstall removes them, and only when the user says so.

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
  SetOutPath "$INSTDIR"
  SetOverwrite on
  !insertmacro InstallProgramFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

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
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro RemoveProgramFiles
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The user's own files stay unless the user asks otherwise; a silent
  ; uninstall always keeps them.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
    "Do you also want to remove your settings, custom lists, cookie keep list and registry backups from $INSTDIR?" \
    /SD IDNO IDNO keep
  Delete "$INSTDIR\options.ini"
  Delete "$INSTDIR\Custom.dat"
  Delete "$INSTDIR\Cookies.ini"
  RMDir /r "$INSTDIR\Backup"
keep:
  ; Gone only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
