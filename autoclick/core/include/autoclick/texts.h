#pragma once

#include <string_view>

#include "timer_control/long_timer_identity.h"

// Every text the program shows or writes, in one place, byte for byte (UTF-8). Glosses of the Thai
// texts are given for the reader; they are never shown.
namespace clickora::autoclick::texts {

// The window.
// The caption of every message box of the program; the platform puts it there.
inline constexpr std::string_view kApplicationTitle = "Quorvel";
// the design's caption; start-up replaces it
inline constexpr std::string_view kWindowDesignCaption = "Mouse";
inline constexpr std::string_view kWindowCaption = "Clickora";
inline constexpr std::string_view kText1Start = "Text1";
inline constexpr std::string_view kText2Start = "Text2";
// double click
inline constexpr std::string_view kOption2Caption = "ดับเบิลคลิก";
// click
inline constexpr std::string_view kOption1Caption = "คลิก";
inline constexpr std::string_view kStartCaption = "Start";
// maximum loop 1 - 34,560 minutes (1,440 hours); ends with one blank
inline constexpr std::string_view kLabel8Caption = "จำนวนลูปสูงสุด 1 - 34,560 นาที (1,440ชั่วโมง) ";
// maximum number of cycles
inline constexpr std::string_view kLabel7Caption = "จำนวนรอบสูงสุด 1 - 10,000,000 รอบ";
// time
inline constexpr std::string_view kLabel9Caption = "เวลา";
// coordinates
inline constexpr std::string_view kLabel6Caption = "พิกัด";
// loop
inline constexpr std::string_view kLabel5Caption = "ลูป";
inline constexpr std::string_view kLabel4Caption = "Y:";
inline constexpr std::string_view kLabel3Caption = "X:";
// cycles
inline constexpr std::string_view kLabel2Caption = "รอบ";
// minutes
inline constexpr std::string_view kLabel1Caption = "นาที";
inline constexpr std::string_view kMenuFile = "File";
inline constexpr std::string_view kMenuOpen = "Open";
inline constexpr std::string_view kMenuSave = "Save";
inline constexpr std::string_view kMenuExit = "Exit";
// both the top menu and its one item
inline constexpr std::string_view kMenuManual = "Manual";
inline constexpr std::string_view kLongTimerClass = horolon::identity::kProgId;
inline constexpr std::string_view kBackgroundPicture = "background.jpg";
inline constexpr std::string_view kIcon = "tapvane.ico";
// The click run.
// the program has started
inline constexpr std::string_view kStartedCaption = "โปรแกรมเริ่มทำงานแล้ว";
// at most 34560 minutes (24 days)
inline constexpr std::string_view kPeriodTooLongMessage = "ใส่ค่าเวลามากสุด 34560 นาที(24วัน)";
// please wait, clicked so far
inline constexpr std::string_view kProgressHead = "กรุณารอ ตอนนี้คลิกไปแล้ว";
// program finished, all clicks made
inline constexpr std::string_view kFinishedHead = "โปรแกรมทำงานเสร็จ คลิกครบ";
// times
inline constexpr std::string_view kCaptionTail = "ครั้ง";
// Told once, at the first Start, where clicks reach only windows of X programs (a Wayland
// session): "On this session clicks reach only windows of X11 programs, and the position of the
// mouse is read only while it is over such a window"
inline constexpr std::string_view kX11OnlyNotice =
    "บนเซสชันนี้ คลิกจะไปถึงเฉพาะหน้าต่างของโปรแกรม X11 เท่านั้น "
    "และอ่านตำแหน่งเมาส์ได้เฉพาะเมื่ออยู่บนหน้าต่างเหล่านั้น";
// Told once, at the first Start, where the desktop asks the user before the first click goes
// through (its remote-desktop portal): "The desktop will ask whether this program may control the
// pointer: allow it so that clicks reach every window, Wayland programs' too"
inline constexpr std::string_view kConsentNotice =
    "เดสก์ท็อปจะถามว่าอนุญาตให้โปรแกรมนี้ควบคุมตัวชี้เมาส์หรือไม่ "
    "โปรดอนุญาต เพื่อให้คลิกไปถึงทุกหน้าต่าง รวมถึงหน้าต่างของโปรแกรม Wayland";
// Start refused where the system takes no synthesised clicks: "Cannot start: this system does not
// accept the clicks that the program sends"
inline constexpr std::string_view kNoClicksMessage = "เริ่มทำงานไม่ได้: ระบบนี้ไม่รับคลิกที่โปรแกรมส่ง";
// The stop key.
inline constexpr std::string_view kStopKeys = "{F6}";
// stopped, clicked (followed by two blanks, the number of clicks, two blanks and kCaptionTail)
inline constexpr std::string_view kStoppedHead = "หยุดแล้ว คลิกไป";
// press F6 to stop
inline constexpr std::string_view kStopKeyTip = "กด F6 เพื่อหยุด";
// press F6 to stop (only while a window of an X11 program has the focus): the stop key on a
// Wayland session where the program can hold it only through the X server
inline constexpr std::string_view kStopKeyX11FocusOnlyTip =
    "กด F6 เพื่อหยุด (เฉพาะเมื่อหน้าต่างของโปรแกรม X11 มีโฟกัส)";
// F6 cannot be used to stop: followed by the reason
inline constexpr std::string_view kStopKeyUnavailableHead = "ใช้ปุ่ม F6 หยุดไม่ได้: ";
// another program is using this key
inline constexpr std::string_view kStopKeyTakenReason = "โปรแกรมอื่นใช้ปุ่มนี้อยู่";
// this system has no such key (followed by the system's words in parentheses)
inline constexpr std::string_view kStopKeyMissingReason = "ระบบนี้ไม่มีปุ่มนี้";
// between the stop key's part of the tip and the next click's
inline constexpr std::string_view kTipSeparator = " — ";
// next click at (followed by the time of day)
inline constexpr std::string_view kNextClickHead = "คลิกครั้งต่อไปเวลา ";
// Long runs: the computer kept awake, and periods that pass without a click.
// The reason the system's power tools show while a run keeps the computer awake: "tapvane
// clicks every" (the period) "minutes until it has clicked" (the number) "times"
inline constexpr std::string_view kKeepAwakeReasonHead = "tapvane คลิกทุก ";
inline constexpr std::string_view kKeepAwakeReasonMiddle = " นาที จนครบ ";
// The computer will not go to sleep until this run ends (the screen still turns off and locks as
// usual)
inline constexpr std::string_view kKeptAwakeTip =
    "คอมพิวเตอร์จะไม่สลีปจนกว่าการทำงานนี้จะจบ (หน้าจอยังดับและล็อกได้ตามปกติ)";
// Cannot keep the computer from sleeping: followed by the system's reason
inline constexpr std::string_view kNotKeptAwakeTipHead = "กันคอมพิวเตอร์สลีปไม่ได้: ";
// Told once, at Start, when nothing could keep the computer awake: "Cannot keep the computer from
// sleeping during the run. The run goes on, but while the computer sleeps nothing is clicked."
// Followed by a blank line and the system's reason.
inline constexpr std::string_view kNotKeptAwakeMessage =
    "กันคอมพิวเตอร์ไม่ให้สลีประหว่างการทำงานไม่ได้ การทำงานจะดำเนินต่อไป "
    "แต่ระหว่างที่คอมพิวเตอร์สลีปจะไม่มีการคลิก";
// screen locked: clicks wait until it is unlocked
inline constexpr std::string_view kLockedTip = "หน้าจอล็อกอยู่: คลิกจะรอจนกว่าจะปลดล็อก";
// "the window at " X ", " Y " runs as administrator: Windows drops clicks from a program that
// does not"
inline constexpr std::string_view kElevatedHead = "หน้าต่างที่ ";
inline constexpr std::string_view kElevatedTail =
    " ทำงานในสิทธิ์ผู้ดูแลระบบ: Windows ทิ้งคลิกจากโปรแกรมที่ไม่ได้ทำงานในสิทธิ์นั้น";
// the window in front (followed by kElevatedTail)
inline constexpr std::string_view kElevatedInFront = "หน้าต่างที่อยู่หน้าสุด";
// Added to the message at Start: "Periods whose click cannot land are skipped and not counted.
// To click that window, run tapvane as administrator."
inline constexpr std::string_view kElevatedMessageAdvice =
    "รอบที่คลิกไม่ถึงจะถูกข้ามและไม่นับ ถ้าต้องการคลิกหน้าต่างนั้น ให้เรียกใช้ tapvane "
    "ในฐานะผู้ดูแลระบบ";
// the pointer could not be moved to (X, Y follow): the click waits for the next period
inline constexpr std::string_view kMoveFailedHead = "ย้ายตัวชี้เมาส์ไปที่ ";
inline constexpr std::string_view kMoveFailedTail = " ไม่ได้: คลิกจะรอรอบถัดไป";
// the system did not take the click: it waits for the next period
inline constexpr std::string_view kInputRefusedTip = "ระบบไม่รับคลิก: คลิกจะรอรอบถัดไป";
// "skipped so far" (the number) "periods" and, in parentheses, each reason with its number:
// screen locked, administrator window, pointer not moved, click refused
inline constexpr std::string_view kSkippedHead = "ข้ามไปแล้ว ";
inline constexpr std::string_view kSkippedTail = " รอบ";
inline constexpr std::string_view kSkippedLocked = "หน้าจอล็อก ";
inline constexpr std::string_view kSkippedElevated = "หน้าต่างผู้ดูแลระบบ ";
inline constexpr std::string_view kSkippedMoveFailed = "ย้ายตัวชี้ไม่ได้ ";
inline constexpr std::string_view kSkippedInputRefused = "ระบบไม่รับคลิก ";
// "the computer slept" (the number) "times during the run"
inline constexpr std::string_view kSleptHead = "คอมพิวเตอร์สลีปไป ";
inline constexpr std::string_view kSleptTail = " ครั้งระหว่างการทำงาน";
// After a run: "last run: clicked" (the number) "times", then the periods skipped, or "no period
// skipped", and the sleeps
inline constexpr std::string_view kSummaryHead = "การทำงานครั้งล่าสุด: คลิกไป ";
inline constexpr std::string_view kNothingSkipped = "ไม่มีรอบที่ถูกข้าม";
// between the parts of a one-line summary
inline constexpr std::string_view kSummarySeparator = " · ";
// Start-up and read-out.
// appended to the program folder
inline constexpr std::string_view kHelpFileName = "\\manual.chm";
inline constexpr std::string_view kHelpKeys = "{F1}";
inline constexpr std::string_view kReadoutX = " x : ";
inline constexpr std::string_view kReadoutY = " , y :  ";
// Picking the point with the mouse.
inline constexpr std::string_view kPickKeys = "{F8}";
// The read-out's tip: "Double-click here or press F8, then click the point on the screen: its
// coordinates go into X and Y (Esc or a right click cancels)"
inline constexpr std::string_view kPickTip =
    "ดับเบิลคลิกที่นี่หรือกด F8 แล้วคลิกจุดบนหน้าจอ พิกัดของจุดนั้นจะใส่ลงใน X และ Y "
    "(กด Esc หรือคลิกขวาเพื่อยกเลิก)";
// "Cannot pick the point: another program is holding the mouse", followed by the system's words
// in parentheses when it gave any.
inline constexpr std::string_view kPickRefusedMessage = "เลือกจุดไม่ได้: โปรแกรมอื่นกำลังจับเมาส์ไว้อยู่";
// Settings file.
inline constexpr std::string_view kOpenTitle = "open";
inline constexpr std::string_view kSaveTitle = "save";
inline constexpr std::string_view kOpenFilter = "function|*.kpf";
// a blank before the bar, unlike Open's
inline constexpr std::string_view kSaveFilter = "function |*.kpf";
inline constexpr std::string_view kSettingsExtension = ".kpf";
inline constexpr std::string_view kOpenProposedName = "default.kpf";
inline constexpr std::string_view kSaveProposedName = "*.kpf";
// Messages of the program's own checks.
// Enter a time of more than 0 minutes: a period that would never fire.
inline constexpr std::string_view kPeriodTooShortMessage = "ใส่ค่าเวลามากกว่า 0 นาที";
// An error occurred: followed by the error's name ("Overflow").
inline constexpr std::string_view kRunTimeErrorHead = "เกิดข้อผิดพลาด: ";
// Cannot open the file: followed by its path and the system's reason.
inline constexpr std::string_view kCannotOpenFileHead = "เปิดไฟล์ไม่ได้: ";
// Cannot save the file: followed by its path and the system's reason.
inline constexpr std::string_view kCannotSaveFileHead = "บันทึกไฟล์ไม่ได้: ";
// The file dialog could not be shown.
inline constexpr std::string_view kFileDialogFailedMessage = "เปิดหน้าต่างเลือกไฟล์ไม่ได้";
// The program cannot start, cannot create the window: followed by the runtime's reason.
inline constexpr std::string_view kCannotStartHead = "โปรแกรมเริ่มทำงานไม่ได้ สร้างหน้าต่างไม่ได้\n\n";
// The control Horolib.LongTimer comes with the program in horolon.ocx (on Linux,
// libhorolon.so beside the program). Register it once from an administrator's command prompt
// in the program's folder: regsvr32 horolon.ocx
inline constexpr std::string_view kCannotStartHint =
    "\n\nตัวควบคุม Horolib.LongTimer มากับโปรแกรมในไฟล์ horolon.ocx (บน Linux คือ libhorolon.so "
    "ข้างโปรแกรม) ลงทะเบียนครั้งเดียวจากพรอมต์คำสั่งของผู้ดูแลระบบในโฟลเดอร์ของโปรแกรม:\n\n"
    "    regsvr32 horolon.ocx";

}  // namespace clickora::autoclick::texts
