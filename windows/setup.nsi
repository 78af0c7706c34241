; setupzararod.exe: installs, updates and uninstalls Zararod on Windows.
;
; Build it with windows/make-setup, which checks the staged program folder
; and passes the defines below:
;   makensis -INPUTCHARSET UTF8 -DSTAGE=<program folder> -DVERSION=7.26 \
;     -DVERSION4=7.26.0.0 -DFILES=<folder of files.nsh, unfiles.nsh,
;     updatefiles.nsh and vedid.ini.example> -DOUTFILE=<setupzararod.exe> \
;     windows/setup.nsi
; files.nsh holds one "File" line per installed file, unfiles.nsh the
; matching "Delete" lines (both with paths relative to the install folder),
; updatefiles.nsh the "Delete" lines of the update check's own files.
;
; A per-user installation: it runs with the rights of the user who starts it
; (no elevation is asked for), installs into
; %LOCALAPPDATA%\Programs\Zararod, lists its uninstaller under the user's
; installed programs (HKCU) and puts its Start-menu entry into the user's
; Start menu. It grants no rights to anybody: the folder keeps what it
; inherits from the user's profile, so only that user (and the system and
; administrators) can change the program or its DLLs. The program writes its
; script files, verze.log and the update's downloads beside itself, which
; this folder allows without any grant.
;
; What it does:
;  - installs zararod.exe, zararod-cli.exe, their DLLs and
;    platforms\qwindows.dll into the per-user folder, the folder of an
;    earlier installation, or the folder given with /D=; adds the Start-menu
;    entry and the uninstaller;
;  - never overwrites vedid.ini, the script files (aad.txt, avl.txt, all.txt)
;    or verze.log: it ships none of them; a commented vedid.ini.example is
;    left beside the program;
;  - before it replaces a file it waits (up to 60 s) until no zararod.exe or
;    zararod-cli.exe of the install folder (nor the zararod.exe of a folder
;    it moves from) runs: the update check starts this program and then
;    ends. If one still runs it asks to close it, or, when silent (/S), fails
;    with exit code 2 and leaves every file as it was;
;  - started from inside an installation (as the update check of this
;    program, and of the earlier program of this name, does: it downloads
;    this program beside zararod.exe) it updates that installation without
;    asking anything. A folder is an installation when it holds zararod.exe
;    and either vedid.ini (beside it, or in the folder's VirtualStore copy)
;    or this program's uninstaller, whoever installed it;
;      - a folder outside Program Files is updated in place: the programs and
;        DLLs are replaced, every other file stays byte for byte;
;      - a folder under Program Files (where the earlier program was usually
;        installed) is left as it is, and the site moves into the user's
;        installation (the per-user folder unless there is one): vedid.ini and the script files come along, each only when
;        the per-user folder has none yet. Where the folder's VirtualStore
;        copy (%LOCALAPPDATA%\VirtualStore\..., where Windows redirected the
;        writes of the earlier 32-bit program) holds the file and the folder
;        does not, or holds a newer one, that copy is taken; the VirtualStore
;        copy itself stays as it is;
;    afterwards it starts the new zararod.exe again, as the program announced
;    ("Bude proveden restart programu!"), unless it is silent or runs
;    elevated by consent (started "as administrator"): the program is never
;    started from an elevated process;
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
; Runs as the user who starts it. This also writes the manifest entry
; "asInvoker", which keeps Windows from guessing from the file name that a
; program called setup... must be elevated.
RequestExecutionLevel user
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
Var OldDir     ; the folder under Program Files the site moves from, or ""
Var VirtualDir ; that folder's VirtualStore copy, or ""

!define MUI_ABORTWARNING
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowFinishPage
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
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
    ${AndIf} $OldDir != ""
      ; The earlier program whose site moves here: its files are read next.
      StrCpy $0 "$OldDir\zararod.exe"
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

; Sets $0 to 1 when folder $1 is folder $2 or lies inside it (letter case
; ignored, as Windows does), else to 0.
Function IsInFolder
  Push $3
  StrLen $3 $2
  StrCpy $0 $1 $3
  ${If} $0 == $2
    StrCpy $0 $1 1 $3
    ${If} $0 == ""
    ${OrIf} $0 == "\"
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $3
FunctionEnd

; Sets $OldDir and $VirtualDir for folder $1 (its long form): both empty
; unless it lies under Program Files, where Windows redirected the writes of
; the earlier 32-bit program that the folder's rights refused into the
; user's VirtualStore, under the folder's path without its drive.
Function FindOldFolder
  StrCpy $OldDir ""
  StrCpy $VirtualDir ""
  ; Both Program Files folders, from the environment: a 64-bit program's
  ; $PROGRAMFILES32 is the 64-bit folder (it reads the registry's
  ; ProgramFilesDir, which is not redirected for it).
  StrCpy $0 0
  ReadEnvStr $2 "ProgramFiles(x86)"
  ${If} $2 != ""
    Call IsInFolder
  ${EndIf}
  ${If} $0 = 0
    StrCpy $2 $PROGRAMFILES64
    Call IsInFolder
  ${EndIf}
  ${If} $0 = 1
    StrCpy $OldDir $1
    StrCpy $0 $1 1 1
    ${If} $0 == ":"
      StrCpy $0 $1 "" 2
      StrCpy $VirtualDir "$LOCALAPPDATA\VirtualStore$0"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $UpdateMode 0
  StrCpy $OldDir ""
  StrCpy $VirtualDir ""
  ; $INSTDIR is set here only by /D=.
  ${If} $INSTDIR == ""
    ; The folder as Windows spells it in full: the update check starts this
    ; program by a path that may hold short names (PROGRA~2).
    System::Call 'kernel32::GetLongPathNameW(w "$EXEDIR", w .r1, i ${NSIS_MAX_STRLEN}) i .r0'
    ${If} $0 = 0
      StrCpy $1 $EXEDIR
    ${EndIf}
    Call FindOldFolder
    ; (LogicLib joins conditions left to right without precedence: one
    ; flag for the three ways a folder shows an installation.)
    StrCpy $2 0
    ${If} ${FileExists} "$1\zararod.exe"
      ${If} ${FileExists} "$1\${UNINSTALLER}"
      ${OrIf} ${FileExists} "$1\vedid.ini"
        StrCpy $2 1
      ${ElseIf} $VirtualDir != ""
      ${AndIf} ${FileExists} "$VirtualDir\vedid.ini"
        StrCpy $2 1
      ${EndIf}
    ${EndIf}
    ${If} $2 = 1
      ; Started from an installation: an update check downloaded this
      ; program beside the program it replaces.
      StrCpy $UpdateMode 1
      ${If} $OldDir == ""
        StrCpy $INSTDIR $1
      ${EndIf}
    ${Else}
      StrCpy $OldDir ""
      StrCpy $VirtualDir ""
    ${EndIf}
    ; A site moving in, or a first install: the user's installation when
    ; there is one, else the per-user folder.
    ${If} $INSTDIR == ""
      ReadRegStr $INSTDIR HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SkipWhenUpdating
  ${If} $UpdateMode = 1
    Abort
  ${EndIf}
FunctionEnd

; Sets $0 to 1 when this process runs elevated by consent ("as
; administrator", the full half of a split administrator token), else to 0.
; A user whose every program runs with these rights (no User Account
; Control) gets 0: the program then runs as that user runs everything.
Function IsElevatedByConsent
  Push $1
  Push $2
  Push $3
  StrCpy $0 0
  ; TOKEN_QUERY of the current process (the pseudo-handle -1).
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r2'
  ${If} $2 <> 0
    ; TokenElevationType (18): 2 is TokenElevationTypeFull.
    System::Call 'advapi32::GetTokenInformation(p r1, i 18, *i 0 .r2, i 4, *i .r3) i .r0'
    ${If} $0 <> 0
    ${AndIf} $2 = 2
      StrCpy $0 1
    ${Else}
      StrCpy $0 0
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Starts the installed zararod.exe in its folder (the jobs write their script
; files into the working folder), as the user: never from a process that
; runs elevated by consent, whose rights the program would inherit.
Function StartProgram
  Call IsElevatedByConsent
  ${If} $0 = 1
    DetailPrint "Instalace běží jako správce; spusťte program ${PRODUCT} z nabídky Start."
    Return
  ${EndIf}
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\zararod.exe"'
FunctionEnd

; The finish page offers to start the program only where StartProgram would.
Function ShowFinishPage
  Call IsElevatedByConsent
  ${If} $0 = 1
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; Copies the site's file $R0 from the folder the site moves from into the
; install folder, when the install folder has none: the VirtualStore copy
; when only it has the file or it is the newer one, else the folder's own.
Function CarryFile
  ${If} ${FileExists} "$INSTDIR\$R0"
    Return
  ${EndIf}
  StrCpy $R1 ""
  ${If} ${FileExists} "$OldDir\$R0"
    StrCpy $R1 "$OldDir\$R0"
  ${EndIf}
  ${If} $VirtualDir != ""
  ${AndIf} ${FileExists} "$VirtualDir\$R0"
    ${If} $R1 == ""
      StrCpy $R1 "$VirtualDir\$R0"
    ${Else}
      GetFileTime "$VirtualDir\$R0" $R2 $R3
      GetFileTime "$R1" $R4 $R5
      ${If} $R2 U> $R4
        StrCpy $R1 "$VirtualDir\$R0"
      ${ElseIf} $R2 = $R4
      ${AndIf} $R3 U> $R5
        StrCpy $R1 "$VirtualDir\$R0"
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $R1 != ""
    DetailPrint "Přenáším $R1"
    CopyFiles /SILENT "$R1" "$INSTDIR\$R0"
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

  ; Moving in from an earlier program's folder: the site's settings and
  ; script files come along. A copy that fails leaves the file missing,
  ; which the program reports on its first start; it is no reason to undo
  ; the programs just written.
  ${If} $OldDir != ""
    StrCpy $R0 "vedid.ini"
    Call CarryFile
    StrCpy $R0 "aad.txt"
    Call CarryFile
    StrCpy $R0 "avl.txt"
    Call CarryFile
    StrCpy $R0 "all.txt"
    Call CarryFile
    ClearErrors
  ${EndIf}

  ; No rights are granted: the folder inherits the user's profile's, which
  ; let the program write beside itself and keep every other user out.

  ; The jobs write their script files into the working directory: the
  ; program's folder, as for the update check's files.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zararod.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zararod.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $UpdateMode = 1
    SetAutoClose true
  ${EndIf}
SectionEnd

Function .onInstSuccess
  ${If} $UpdateMode = 1
  ${AndIfNot} ${Silent}
    Call StartProgram
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  Call un.WaitForProgram

  !include "${FILES}/unfiles.nsh"
  Delete "$INSTDIR\vedid.ini.example"
  ; What the update check leaves beside the program.
  !include "${FILES}/updatefiles.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR\platforms"
  ; Only when empty: vedid.ini and the script files stay with their folder.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
