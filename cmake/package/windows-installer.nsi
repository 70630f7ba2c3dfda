; fennrow's Windows installer, built with makensis (Debian package nsis):
;
;   makensis -DVERSION=0.1.3 -DCLAP_MODULE=fennrow.clap -DVST3_MODULE=fennrow.vst3
;            -DOUTFILE=fennrow-0.1.3-windows-x64-setup.exe windows-installer.nsi
;
; (VST3_MODULE is the DLL inside the bundle, Contents/x86_64-win/fennrow.vst3.)
;
; It puts the plugins where hosts look for them:
;   just for me   %LOCALAPPDATA%\Programs\Common\CLAP and ...\VST3, no
;                 administrator rights; its own files (the uninstaller) in
;                 %LOCALAPPDATA%\Programs\Brightmoss\fennrow
;   everyone      %COMMONPROGRAMFILES%\CLAP and \VST3, after asking for
;                 elevation; the uninstaller in %PROGRAMFILES%\Brightmoss\fennrow
; and makes the user preset folder %APPDATA%\Tamber\Presets\fennrow when it is
; missing. That folder is the musician's: no install, upgrade or uninstall ever
; touches anything in it.
;
; Each scope has one entry in "Apps and features" (the Uninstall key under
; HKCU or HKLM). What an install made is listed under RECORD_KEY of the same
; root: File0, File1, ... the files it wrote, Folder0, Folder1, ... the folders
; it created, in the order it created them. Uninstalling deletes those files
; and then removes those folders, the last made first, each only if empty, so
; nothing it did not make goes. Installing over an install of the same scope
; (newer over older, the same version again) first removes what the earlier
; one recorded, then installs: one entry, whatever the versions.
;
; Command line (the wizard's choices, for scripts):
;   /S             silent
;   /CURRENTUSER   just for me (the default, unless only an install for
;                  everyone exists, which is then replaced)
;   /ALLUSERS      for everyone
;   /CLAP /VST3    the plugins to install; naming one leaves the other out.
;                  Without either: those of the install being replaced, or both.
;   /ELEVATED      marks the run that the installer (or uninstaller) started
;                  with administrator rights for everyone; it asks no more.
; The exit code is 0 when everything was installed. The uninstaller takes /S
; too; its entry names its scope.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
; Elevation is asked for only when "everyone" is chosen (see Elevate).
RequestExecutionLevel user

!ifndef VERSION | CLAP_MODULE | VST3_MODULE | OUTFILE
  !error "Define VERSION, CLAP_MODULE, VST3_MODULE and OUTFILE (see the top of this file)"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PUBLISHER "Brightmoss"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\fennrow"
!define RECORD_KEY "Software\Brightmoss\fennrow"

Name "fennrow"
Caption "fennrow ${VERSION} Setup"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER} fennrow ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "fennrow"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "fennrow ${VERSION} Setup"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

Var ForEveryone   ; 1: for everyone, 0: just for me
Var Elevated      ; 1: started by the wizard's own elevation, choices made
Var ClapFolder    ; the CLAP folder of the chosen scope
Var Vst3Folder
Var AppFolder     ; where the uninstaller goes
Var PresetFolder
Var UserClapFolder
Var UserVst3Folder
Var UserAppFolder
Var FileCount     ; entries written to the record so far
Var FolderCount
Var InstalledBytes
Var ChoicesGiven  ; 1 when /CLAP or /VST3 chose the plugins
Var MeRadio
Var EveryoneRadio
Var FoundLabel

; ---------------------------------------------------------------- pages
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "fennrow ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "fennrow is a monophonic bass synthesizer by ${PUBLISHER}, for hosts that load CLAP or VST3 plugins.$\r$\n$\r$\nThis puts the plugins into the folders your host searches. Close your host before you go on, then rescan its plugins when this is done."
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenElevated
!insertmacro MUI_PAGE_WELCOME
Page custom ScopePage ScopePageLeave
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_PAGE_HEADER_TEXT "Plugin formats"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the kinds of plugin your host loads."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Both are the same instrument: the same sound, and projects saved with one load the other's sound. If your host loads CLAP, CLAP is all it needs."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "fennrow ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "Rescan the plugins in your host: it lists fennrow by ${PUBLISHER}.$\r$\n$\r$\nYour own presets go in $PresetFolder, where the preset browser finds them.$\r$\n$\r$\nTo remove fennrow, use Apps and features."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- shared

; Is this process allowed to write the machine's folders and HKLM? Under UAC
; an administrator's unelevated process answers no.
!macro IsAdmin result
  UserInfo::GetAccountType
  Pop ${result}
!macroend

; Runs this program again with administrator rights and the same command
; line plus `extra`, waits for it, and quits. A refused elevation returns with
; the error flag set.
!macro ElevateFunction UN
Function ${UN}Elevate
  Exch $0 ; extra options
  Push $1
  ${GetParameters} $1
  ClearErrors
  ExecShellWait "runas" "$EXEPATH" "$0 $1"
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro ElevateFunction ""
!insertmacro ElevateFunction "un."

; The scope's registry root (SHCTX) and folders.
!macro UseScopeFunction UN
Function ${UN}UseScope
  ${If} $ForEveryone = 1
    SetShellVarContext all
    StrCpy $ClapFolder "$COMMONFILES64\CLAP"
    StrCpy $Vst3Folder "$COMMONFILES64\VST3"
    StrCpy $AppFolder "$PROGRAMFILES64\${PUBLISHER}\fennrow"
  ${Else}
    SetShellVarContext current
    StrCpy $ClapFolder $UserClapFolder
    StrCpy $Vst3Folder $UserVst3Folder
    StrCpy $AppFolder $UserAppFolder
  ${EndIf}
FunctionEnd
!macroend
!insertmacro UseScopeFunction ""
!insertmacro UseScopeFunction "un."

; Removes what the record of the current scope lists: its files, then its
; folders (the last made first, each only when empty), then the record and
; the "Apps and features" entry.
!macro RemoveRecordedFunction UN
Function ${UN}RemoveRecorded
  Push $0
  Push $1
  StrCpy $0 0
  ${Do}
    ReadRegStr $1 SHCTX "${RECORD_KEY}" "File$0"
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    Delete $1
    IntOp $0 $0 + 1
  ${Loop}
  StrCpy $0 0
  ${Do}
    ReadRegStr $1 SHCTX "${RECORD_KEY}" "Folder$0"
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    IntOp $0 $0 + 1
  ${Loop}
  ${DoWhile} $0 > 0
    IntOp $0 $0 - 1
    ReadRegStr $1 SHCTX "${RECORD_KEY}" "Folder$0"
    RMDir $1
  ${Loop}
  DeleteRegKey SHCTX "${RECORD_KEY}"
  DeleteRegKey /ifempty SHCTX "Software\${PUBLISHER}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro RemoveRecordedFunction ""
!insertmacro RemoveRecordedFunction "un."

; ---------------------------------------------------------------- install

; A folder the install needs; recorded when this install creates it.
!macro UseFolder folder
  ${IfNot} ${FileExists} "${folder}\*"
    CreateDirectory "${folder}"
    WriteRegStr SHCTX "${RECORD_KEY}" "Folder$FolderCount" "${folder}"
    IntOp $FolderCount $FolderCount + 1
  ${EndIf}
!macroend

; A folder that is fennrow's own (its bundle, its program folder): recorded
; whoever made it, so that it goes once it is empty.
!macro OwnFolder folder
  CreateDirectory "${folder}"
  WriteRegStr SHCTX "${RECORD_KEY}" "Folder$FolderCount" "${folder}"
  IntOp $FolderCount $FolderCount + 1
!macroend

!macro RecordFile file
  WriteRegStr SHCTX "${RECORD_KEY}" "File$FileCount" "${file}"
  IntOp $FileCount $FileCount + 1
  Push $0
  Push $1
  FileOpen $0 "${file}" r
  FileSeek $0 0 END $1
  FileClose $0
  IntOp $InstalledBytes $InstalledBytes + $1
  Pop $1
  Pop $0
!macroend

Section "-Prepare"
  ; Whatever an earlier install of this scope put here goes first.
  Call RemoveRecorded
  StrCpy $FileCount 0
  StrCpy $FolderCount 0
  StrCpy $InstalledBytes 0
  ${If} $ForEveryone = 1
    !insertmacro UseFolder "$PROGRAMFILES64\${PUBLISHER}"
  ${Else}
    !insertmacro UseFolder "$LOCALAPPDATA\Programs"
    !insertmacro UseFolder "$LOCALAPPDATA\Programs\${PUBLISHER}"
    !insertmacro UseFolder "$LOCALAPPDATA\Programs\Common"
  ${EndIf}
  !insertmacro OwnFolder $AppFolder
  ; The musician's preset folder: made when missing, otherwise left as it is.
  ${IfNot} ${FileExists} "$PresetFolder\*"
    CreateDirectory $PresetFolder
    DetailPrint "Created the preset folder $PresetFolder"
  ${EndIf}
SectionEnd

Section "CLAP plugin" SecClap
  !insertmacro UseFolder $ClapFolder
  SetOutPath $ClapFolder
  File "/oname=fennrow.clap" "${CLAP_MODULE}"
  !insertmacro RecordFile "$ClapFolder\fennrow.clap"
SectionEnd

Section "VST3 plugin" SecVst3
  !insertmacro UseFolder $Vst3Folder
  !insertmacro OwnFolder "$Vst3Folder\fennrow.vst3"
  !insertmacro OwnFolder "$Vst3Folder\fennrow.vst3\Contents"
  !insertmacro OwnFolder "$Vst3Folder\fennrow.vst3\Contents\x86_64-win"
  SetOutPath "$Vst3Folder\fennrow.vst3\Contents\x86_64-win"
  File "/oname=fennrow.vst3" "${VST3_MODULE}"
  !insertmacro RecordFile "$Vst3Folder\fennrow.vst3\Contents\x86_64-win\fennrow.vst3"
SectionEnd

Section "-Finish"
  SetOutPath $AppFolder
  WriteUninstaller "$AppFolder\uninstall.exe"
  !insertmacro RecordFile "$AppFolder\uninstall.exe"
  ${If} ${SectionIsSelected} ${SecClap}
    WriteRegDWORD SHCTX "${RECORD_KEY}" "Clap" 1
  ${Else}
    WriteRegDWORD SHCTX "${RECORD_KEY}" "Clap" 0
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecVst3}
    WriteRegDWORD SHCTX "${RECORD_KEY}" "Vst3" 1
  ${Else}
    WriteRegDWORD SHCTX "${RECORD_KEY}" "Vst3" 0
  ${EndIf}
  WriteRegStr SHCTX "${RECORD_KEY}" "Version" "${VERSION}"

  ${If} $ForEveryone = 1
    StrCpy $0 "/ALLUSERS"
  ${Else}
    StrCpy $0 "/CURRENTUSER"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "fennrow"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$AppFolder\uninstall.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" $AppFolder
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$AppFolder\uninstall.exe" $0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$AppFolder\uninstall.exe" $0 /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, rounded up.
  IntOp $1 $InstalledBytes + 1023
  IntOp $1 $1 / 1024
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

; The plugins to install when the command line names none: those of the
; install being replaced in the chosen scope, or both.
Function DefaultChoices
  ${If} $ChoicesGiven = 1
    Return
  ${EndIf}
  ReadRegStr $0 SHCTX "${RECORD_KEY}" "Version"
  ${If} $0 == ""
    !insertmacro SelectSection ${SecClap}
    !insertmacro SelectSection ${SecVst3}
    Return
  ${EndIf}
  ReadRegDWORD $0 SHCTX "${RECORD_KEY}" "Clap"
  ReadRegDWORD $1 SHCTX "${RECORD_KEY}" "Vst3"
  ${If} $0 <> 1
  ${AndIf} $1 <> 1
    StrCpy $0 1
    StrCpy $1 1
  ${EndIf}
  ${If} $0 = 1
    !insertmacro SelectSection ${SecClap}
  ${Else}
    !insertmacro UnselectSection ${SecClap}
  ${EndIf}
  ${If} $1 = 1
    !insertmacro SelectSection ${SecVst3}
  ${Else}
    !insertmacro UnselectSection ${SecVst3}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $UserClapFolder "$LOCALAPPDATA\Programs\Common\CLAP"
  StrCpy $UserVst3Folder "$LOCALAPPDATA\Programs\Common\VST3"
  StrCpy $UserAppFolder "$LOCALAPPDATA\Programs\${PUBLISHER}\fennrow"
  StrCpy $PresetFolder "$APPDATA\Tamber\Presets\fennrow"

  ${GetParameters} $R0
  ; Just for me, unless the only install to replace is for everyone.
  StrCpy $ForEveryone 0
  ReadRegStr $0 HKCU "${RECORD_KEY}" "Version"
  ReadRegStr $1 HKLM "${RECORD_KEY}" "Version"
  ${If} $0 == ""
  ${AndIf} $1 != ""
    StrCpy $ForEveryone 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $0
  ${IfNot} ${Errors}
    StrCpy $ForEveryone 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $0
  ${IfNot} ${Errors}
    StrCpy $ForEveryone 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $0
  ${If} ${Errors}
    StrCpy $Elevated 0
  ${Else}
    StrCpy $Elevated 1
    StrCpy $ForEveryone 1
  ${EndIf}

  StrCpy $ChoicesGiven 0
  ClearErrors
  ${GetOptions} $R0 "/CLAP" $0
  ${IfNot} ${Errors}
    StrCpy $ChoicesGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/VST3" $1
  ${IfNot} ${Errors}
    StrCpy $ChoicesGiven 1
  ${EndIf}
  ${If} $ChoicesGiven = 1
    ClearErrors
    ${GetOptions} $R0 "/CLAP" $0
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecClap}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/VST3" $0
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecVst3}
    ${EndIf}
  ${EndIf}

  Call UseScope
  Call DefaultChoices

  ${If} $ForEveryone = 1
  ${AndIf} ${Silent}
  ${AndIf} $Elevated = 0
    !insertmacro IsAdmin $0
    ${If} $0 != "Admin"
      ; A script run without administrator rights: the elevated run does the
      ; work, and its entry tells whether it did.
      Push "/ELEVATED"
      Call Elevate
      ${If} ${Errors}
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
      ${EndIf}
      ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
      ${If} $0 == "${VERSION}"
        SetErrorLevel 0
      ${Else}
        SetErrorLevel 1
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SkipWhenElevated
  ${If} $Elevated = 1
    Abort
  ${EndIf}
FunctionEnd

; At least one plugin must be chosen.
Function .onSelChange
  GetDlgItem $0 $HWNDPARENT 1
  ${If} ${SectionIsSelected} ${SecClap}
  ${OrIf} ${SectionIsSelected} ${SecVst3}
    EnableWindow $0 1
  ${Else}
    EnableWindow $0 0
  ${EndIf}
FunctionEnd

; What installing in the chosen scope will do to an install already there.
Function ShowFound
  Push $0
  ReadRegStr $0 SHCTX "${RECORD_KEY}" "Version"
  ${If} $0 == ""
    StrCpy $0 ""
  ${ElseIf} $0 == "${VERSION}"
    StrCpy $0 "fennrow $0 is already installed there: installing it again repairs it."
  ${Else}
    StrCpy $0 "fennrow $0 is installed there: it will be replaced by ${VERSION}."
  ${EndIf}
  ${NSD_SetText} $FoundLabel $0
  ; The Next button carries the shield when it will ask for elevation.
  GetDlgItem $0 $HWNDPARENT 1
  ${If} $ForEveryone = 1
    !insertmacro IsAdmin $1
    ${If} $1 != "Admin"
      SendMessage $0 ${BCM_SETSHIELD} 0 1
    ${Else}
      SendMessage $0 ${BCM_SETSHIELD} 0 0
    ${EndIf}
  ${Else}
    SendMessage $0 ${BCM_SETSHIELD} 0 0
  ${EndIf}
  Pop $0
FunctionEnd

Function ScopeChanged
  Pop $0
  ${NSD_GetState} $EveryoneRadio $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $ForEveryone 1
  ${Else}
    StrCpy $ForEveryone 0
  ${EndIf}
  Call UseScope
  Call ShowFound
FunctionEnd

Function ScopePage
  ${If} $Elevated = 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Install for" "Choose who gets fennrow on this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "&Just for me"
  Pop $MeRadio
  ${NSD_CreateLabel} 12u 13u -12u 20u "No administrator rights needed. The plugins go in $UserClapFolder and $UserVst3Folder."
  Pop $0
  ${NSD_CreateRadioButton} 0 40u 100% 12u "&Everyone who uses this computer"
  Pop $EveryoneRadio
  ${NSD_CreateLabel} 12u 53u -12u 20u "Asks for administrator rights. The plugins go in $COMMONFILES64\CLAP and $COMMONFILES64\VST3."
  Pop $0
  ${NSD_CreateLabel} 0 84u 100% 20u ""
  Pop $FoundLabel
  ${NSD_OnClick} $MeRadio ScopeChanged
  ${NSD_OnClick} $EveryoneRadio ScopeChanged
  ${If} $ForEveryone = 1
    ${NSD_Check} $EveryoneRadio
  ${Else}
    ${NSD_Check} $MeRadio
  ${EndIf}
  Call ShowFound
  nsDialogs::Show
FunctionEnd

Function ScopePageLeave
  Call DefaultChoices
  ${If} $ForEveryone = 1
    !insertmacro IsAdmin $0
    ${If} $0 != "Admin"
      ; The elevated run takes over from the formats page on.
      HideWindow
      Push "/ALLUSERS /ELEVATED"
      Call Elevate
      ${If} ${Errors}
        ShowWindow $HWNDPARENT ${SW_SHOW}
        MessageBox MB_ICONEXCLAMATION "Installing for everyone needs administrator rights. Choose $\"Just for me$\" to install without them."
        Abort
      ${EndIf}
      SetErrorLevel 0
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------- uninstall

Function un.onInit
  SetShellVarContext current
  StrCpy $UserClapFolder "$LOCALAPPDATA\Programs\Common\CLAP"
  StrCpy $UserVst3Folder "$LOCALAPPDATA\Programs\Common\VST3"
  StrCpy $UserAppFolder "$LOCALAPPDATA\Programs\${PUBLISHER}\fennrow"
  ${GetParameters} $R0
  ; The entry names the scope; run by hand, the uninstaller's own folder does.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $ForEveryone 1
  ${Else}
    StrCpy $ForEveryone 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $0
  ${IfNot} ${Errors}
    StrCpy $ForEveryone 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $0
  ${IfNot} ${Errors}
    StrCpy $ForEveryone 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $0
  ${If} ${Errors}
    StrCpy $Elevated 0
  ${Else}
    StrCpy $Elevated 1
  ${EndIf}
  Call un.UseScope
  ${If} $ForEveryone = 1
  ${AndIf} $Elevated = 0
    !insertmacro IsAdmin $0
    ${If} $0 != "Admin"
      Push "/ALLUSERS /ELEVATED"
      Call un.Elevate
      ${If} ${Errors}
        ${IfNot} ${Silent}
          MessageBox MB_ICONEXCLAMATION "Removing fennrow for everyone needs administrator rights."
        ${EndIf}
        SetErrorLevel 740
      ${Else}
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
        ${If} $0 == ""
          SetErrorLevel 0
        ${Else}
          SetErrorLevel 1
        ${EndIf}
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.RemoveRecorded
SectionEnd
