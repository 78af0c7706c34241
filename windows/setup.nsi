; setupzararod.exe: installs, updates and uninstalls Zararod on Windows.
;
; Build it with windows/make-setup, which checks the staged program folder
; and passes the defines below:
;   makensis -INPUTCHARSET UTF8 -DSTAGE=<program folder> -DVERSION=7.26 \
;     -DVERSION4=7.26.0.0 -DFILES=<folder of files.nsh, unfiles.nsh and
;     vedid.ini.example> -DOUTFILE=<setupzararod.exe> windows/setup.nsi
; files.nsh holds one "File" line per installed file, unfiles.nsh the
; matching "Delete" lines (both with paths relative to the install folder).
;
; What it does:
;  - installs zararod.exe, zararod-cli.exe, their DLLs and
;    platforms\qwindows.dll into $PROGRAMFILES64\Zararod, the folder of an
;    earlier installation, or the folder given with /D=; adds a Start-menu
;    entry and an uninstaller listed under the installed programs;
;  - never writes vedid.ini, the script files (aad.txt, avl.txt, all.txt) or
;    verze.log: it ships none of them; a commented vedid.ini.example is left
;    beside the program;
;  - before it replaces a file it waits (up to 60 s) until no zararod.exe or
;    zararod-cli.exe of the install folder runs: the update check starts this
;    program and then ends. If one still runs it asks to close it, or, when
;    silent (/S), fails with exit code 2 and leaves every file as it was;
;  - started from inside an installation (as the update check does: it
;    downloads this program beside zararod.exe), it updates that folder
;    without asking anything, and afterwards starts zararod.exe again, as the
;    program announced ("Bude proveden restart programu!"); silent, it starts
;    nothing;
;  - the uninstaller removes what was installed and the update check's own
;    files, keeps vedid.ini and the script files, and removes the folder only
;    when nothing else is left in it (never recursively: /D= may have named a
;    folder that holds other things).
; Exit codes: 0 done, 1 cancelled by the user, 2 failed (nothing installed
; that could not be written, a program still running).

!ifndef STAGE | VERSION | VERSION4 | FILES | OUTFILE
  !error "use windows/make-setup: STAGE, VERSION, VERSION4, FILES and OUTFILE must be defined"
!endif

Unicode true
; A 64-bit setup program: the programs are 64-bit, and it then sees the
; 64-bit Program Files folder and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Zararod"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zararod"
!define UNINSTALLER "uninstall.exe"
; How long to wait for a running program of the install folder to end.
!define WAIT_TENTHS 600

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; No InstallDir: .onInit can then tell an /D= (which fills $INSTDIR before
; .onInit runs) from no choice at all, and picks the folder itself.
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Instalace programu ${PRODUCT}"
VIAddVersionKey /LANG=0 "OriginalFilename" "setupzararod.exe"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT}"

Var UpdateMode ; 1: updating the installation this program was started from

!define MUI_ABORTWARNING
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!define MUI_FINISHPAGE_RUN "$INSTDIR\zararod.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Czech"

; Sets $0 to 1 while the program file $0 is in use as a running program,
; else to 0. Windows (and Wine) refuse to open the image of a running program
; for writing with a sharing violation, whatever the share mode asked; this
; sees exactly what would make the replacement fail, needs no plug-in beyond
; System.dll, and does not depend on how another process's path is spelled
; (short names, letter case, a subst drive). A missing file is not running;
; any other refusal (say, access denied) is left for the copy to report.
!macro IS_RUNNING_BODY
  ; GENERIC_WRITE, share read|write|delete, OPEN_EXISTING; the handle opens
  ; nothing new and changes nothing (not even the file's time).
  System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 7, p 0, i 3, i 0x80, p 0) p .r1 ?e'
  Pop $2
  ${If} $1 P<> -1
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 0
  ${ElseIf} $2 = 32 ; ERROR_SHARING_VIOLATION
  ${OrIf} $2 = 33   ; ERROR_LOCK_VIOLATION
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
!macroend

; Returns when neither program of $INSTDIR runs. Polls every 100 ms for up to
; WAIT_TENTHS tenths of a second, then asks to close the program (Retry
; polls again); silent, or on Cancel, it aborts: the caller's section fails
; before any file was touched.
!macro WAIT_FOR_PROGRAM_BODY
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0
  ${Do}
    StrCpy $0 "$INSTDIR\zararod.exe"
    !insertmacro IS_RUNNING_BODY
    ${If} $0 = 0
      StrCpy $0 "$INSTDIR\zararod-cli.exe"
      !insertmacro IS_RUNNING_BODY
    ${EndIf}
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    ${If} $3 = 0
      DetailPrint "Čekám na ukončení programu ${PRODUCT} ve složce $INSTDIR…"
    ${EndIf}
    ${If} $3 >= ${WAIT_TENTHS}
      ${If} ${Silent}
        DetailPrint "Program ${PRODUCT} ve složce $INSTDIR stále běží; nic nebylo změněno."
        SetErrorLevel 2
        Abort
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Program ${PRODUCT} ve složce$\r$\n$INSTDIR$\r$\nstále běží.$\r$\n$\r$\nUkončete jej a zvolte Opakovat." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Abort "Program ${PRODUCT} stále běží; nic nebylo změněno."
      retry:
      StrCpy $3 0
      ${Continue}
    ${EndIf}
    Sleep 100
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
!macroend

Function WaitForProgram
  !insertmacro WAIT_FOR_PROGRAM_BODY
FunctionEnd

Function un.WaitForProgram
  !insertmacro WAIT_FOR_PROGRAM_BODY
FunctionEnd

Function .onInit
  SetShellVarContext all
  StrCpy $UpdateMode 0
  ; $INSTDIR is set here only by /D=.
  ${If} $INSTDIR == ""
    ${If} ${FileExists} "$EXEDIR\zararod.exe"
    ${AndIf} ${FileExists} "$EXEDIR\${UNINSTALLER}"
      ; Started from an installation: the update check downloaded this
      ; program beside the program it replaces.
      StrCpy $INSTDIR $EXEDIR
      StrCpy $UpdateMode 1
    ${Else}
      ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $INSTDIR == ""
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SkipWhenUpdating
  ${If} $UpdateMode = 1
    Abort
  ${EndIf}
FunctionEnd

Section "Zararod" SecMain
  SectionIn RO
  Call WaitForProgram

  ClearErrors
  SetOverwrite on
  SetOutPath "$INSTDIR"
  !include "${FILES}/files.nsh"
  File "/oname=vedid.ini.example" "${FILES}/vedid.ini.example"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; A file that could not be written (it stays as it was) must not end in
  ; a success: silent mode ignores such errors otherwise.
  ${If} ${Errors}
    SetErrorLevel 2
    Abort "Některé soubory programu nebylo možné zapsat."
  ${EndIf}

  ; The program writes beside itself while an ordinary user runs it: the
  ; jobs' script files (the shortcut's working folder is the program's), the
  ; update check's verze.log and downloads. The PC's users (the well-known
  ; group S-1-5-32-545, whatever its name in the system's language) may
  ; therefore change the folder's files.
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR" /grant *S-1-5-32-545:(OI)(CI)M /T /C /Q'
  Pop $0
  ${If} $0 != 0
    DetailPrint "Uživatelé nemohou zapisovat do složky programu (icacls: $0)."
  ${EndIf}

  ; The jobs write their script files into the working directory: the
  ; program's folder, as for the update check's files.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zararod.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zararod.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $UpdateMode = 1
    SetAutoClose true
  ${EndIf}
SectionEnd

Function .onInstSuccess
  ${If} $UpdateMode = 1
  ${AndIfNot} ${Silent}
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\zararod.exe"'
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.WaitForProgram

  !include "${FILES}/unfiles.nsh"
  Delete "$INSTDIR\vedid.ini.example"
  ; What the update check leaves beside the program.
  Delete "$INSTDIR\setupzararod.exe"
  Delete "$INSTDIR\setupzararod.exe.sig"
  Delete "$INSTDIR\setupzararod.ver"
  Delete "$INSTDIR\setupzararod.exe.part-*"
  Delete "$INSTDIR\setupzararod.exe.sig.part-*"
  Delete "$INSTDIR\setupzararod.ver.part-*"
  Delete "$INSTDIR\verze.log"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR\platforms"
  ; Only when empty: vedid.ini and the script files stay with their folder.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
