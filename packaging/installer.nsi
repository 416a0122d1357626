; The Clickora installer: tapvane.exe and both widths of the horolon.ocx control, per machine.
; A 64-bit program (amd64 stubs), built on Linux by scripts/package:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DSTAGE64=dir -DSTAGE32=dir -DOUTFILE=setup.exe \
;            -DICON=tapvane.ico installer.nsi
; STAGE64 holds the stripped tapvane.exe, horolon.ocx and manual.chm of the x64 build, STAGE32 the
; horolon.ocx of the x86 build (for 32-bit hosts, registered in the 32-bit registry view).
; /S installs silently; installing over an earlier version removes that one first.

!ifndef VERSION | STAGE64 | STAGE32 | OUTFILE | ICON
  !error "define VERSION, STAGE64, STAGE32, OUTFILE and ICON"
!endif

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Clickora"
!define PUBLISHER "Clickora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Clickora"
!define MENU_FOLDER "$SMPROGRAMS\Clickora"
!define REGSVR64 "$SYSDIR\regsvr32.exe"
; The installer is a 64-bit program, so it sees the real SysWOW64 folder; a system without it
; runs no 32-bit host, and the 32-bit control is then copied but not registered.
!define REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Thai"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) Clickora"

LangString RemovingEarlier ${LANG_ENGLISH} "Removing the earlier version $R1 from $R0"
LangString RemovingEarlier ${LANG_THAI} "กำลังถอนรุ่นก่อนหน้า $R1 ออกจาก $R0"
LangString EarlierNotRemoved ${LANG_ENGLISH} "The earlier version in $R0 could not be removed completely; its files are overwritten."
LangString EarlierNotRemoved ${LANG_THAI} "ถอนรุ่นก่อนหน้าใน $R0 ออกได้ไม่หมด จะเขียนไฟล์ใหม่ทับ"
LangString RegisterFailed ${LANG_ENGLISH} "The timer control $R0 could not be registered (regsvr32 ended with $R1). tapvane cannot start until it is registered: run regsvr32 on it from an administrator's command prompt."
LangString RegisterFailed ${LANG_THAI} "ลงทะเบียนตัวควบคุม $R0 ไม่สำเร็จ (regsvr32 จบด้วยรหัส $R1) โปรแกรม tapvane จะเปิดไม่ได้จนกว่าจะลงทะเบียน ให้สั่ง regsvr32 กับไฟล์นี้จากหน้าต่างคำสั่งของผู้ดูแลระบบ"
LangString No32Bit ${LANG_ENGLISH} "No 32-bit Windows on this system: the 32-bit horolon.ocx is copied but not registered."
LangString No32Bit ${LANG_THAI} "เครื่องนี้ไม่มี Windows แบบ 32 บิต: คัดลอก horolon.ocx แบบ 32 บิตไว้แต่ไม่ได้ลงทะเบียน"
LangString Register32Failed ${LANG_ENGLISH} "The 32-bit horolon.ocx could not be registered (regsvr32 ended with $R1); 32-bit programs will not find the control."
LangString Register32Failed ${LANG_THAI} "ลงทะเบียน horolon.ocx แบบ 32 บิตไม่สำเร็จ (regsvr32 จบด้วยรหัส $R1) โปรแกรมแบบ 32 บิตจะหาตัวควบคุมไม่พบ"
LangString ShortcutComment ${LANG_ENGLISH} "Clicks the mouse on a timetable"
LangString ShortcutComment ${LANG_THAI} "คลิกเมาส์ตามเวลาที่ตั้งไว้"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; An earlier installation, wherever it went, is removed by its own uninstaller, run in place so
; that it is waited for (it unregisters the controls and deletes what it wrote).
Function RemoveEarlier
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R0 == ""
  ${OrIfNot} ${FileExists} "$R0\uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "$(RemovingEarlier)"
  ClearErrors
  ExecWait '"$R0\uninstall.exe" /S _?=$R0' $R2
  ${If} ${Errors}
  ${OrIf} $R2 != 0
    DetailPrint "$(EarlierNotRemoved)"
  ${EndIf}
  ; Run in place, the uninstaller cannot delete itself.
  Delete "$R0\uninstall.exe"
  RMDir "$R0"
FunctionEnd

Section "tapvane" SecProgram
  SectionIn RO
  Call RemoveEarlier

  SetOutPath "$INSTDIR"
  File "${STAGE64}/tapvane.exe"
  File "${STAGE64}/horolon.ocx"
  File "${STAGE64}/manual.chm"
  SetOutPath "$INSTDIR\x86"
  File "${STAGE32}/horolon.ocx"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The 64-bit control: without it tapvane cannot start.
  StrCpy $R0 "$INSTDIR\horolon.ocx"
  ClearErrors
  ExecWait '"${REGSVR64}" /s "$R0"' $R1
  ${If} ${Errors}
  ${OrIf} $R1 != 0
    DetailPrint "$(RegisterFailed)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(RegisterFailed)" /SD IDOK
    SetErrorLevel 3
  ${EndIf}
  ; The 32-bit control, for 32-bit hosts, through the 32-bit regsvr32 into the 32-bit view.
  ${If} ${FileExists} "${REGSVR32}"
    ClearErrors
    ExecWait '"${REGSVR32}" /s "$INSTDIR\x86\horolon.ocx"' $R1
    ${If} ${Errors}
    ${OrIf} $R1 != 0
      DetailPrint "$(Register32Failed)"
    ${EndIf}
  ${Else}
    DetailPrint "$(No32Bit)"
  ${EndIf}

  ; The shortcut starts the program in its own folder.
  SetOutPath "$INSTDIR"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${MENU_FOLDER}\tapvane.lnk" "$INSTDIR\tapvane.exe" "" "$INSTDIR\tapvane.exe" 0 \
    SW_SHOWNORMAL "" "$(ShortcutComment)"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tapvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ExecWait '"${REGSVR64}" /u /s "$INSTDIR\horolon.ocx"'
  ${If} ${FileExists} "${REGSVR32}"
    ExecWait '"${REGSVR32}" /u /s "$INSTDIR\x86\horolon.ocx"'
  ${EndIf}

  ; Only the files this installer wrote: anything the user put in the folder stays, with it.
  Delete "$INSTDIR\tapvane.exe"
  Delete "$INSTDIR\horolon.ocx"
  Delete "$INSTDIR\manual.chm"
  Delete "$INSTDIR\x86\horolon.ocx"
  RMDir "$INSTDIR\x86"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\tapvane.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
