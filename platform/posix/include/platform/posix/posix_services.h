#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "numbers/number_format.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/program_services.h"

namespace clickora::platform::posix {

// CLOCK_BOOTTIME in milliseconds, modulo 2^32 like the system counter it stands for: it never
// jumps when the wall clock is set, and it counts the time the machine spends suspended.
class MonotonicClock final : public MillisecondClock {
 public:
  std::uint32_t NowMs() override;
};

// The local time of day in the format of the current LC_TIME locale ("%X"): the program calls
// setlocale(LC_ALL, "") at start-up to take the user's.
class LocalTimeOfDay final : public TimeOfDay {
 public:
  std::string NowText() override;
  std::string TextAfterSeconds(double seconds) override;
};

// Settings files. ReplaceText writes a temporary file in the target's directory, flushes it to
// the disk and renames it over the target, so the old file stays whole until the new one is. The
// file stays what it was: a symbolic link is followed to the file it names, the new file takes
// the old one's mode and owner, and a file that a rename would change (another hard link, an
// owner the user may not give) or cannot replace (a folder where the user may create nothing) is
// overwritten where it is, after the room for the text has been taken. A file that the user may
// not write is refused either way.
class PosixFileSystem final : public FileSystem {
 public:
  FileResult ReadText(const std::string& path, std::string& contents) override;
  FileResult ReplaceText(const std::string& path, std::string_view contents) override;
};

// The directory of the running executable (from /proc/self/exe) without a trailing separator;
// the empty text for the root directory, so that folder + "/name" is always a valid path.
// Empty as well when the link cannot be read.
std::string ProgramFolder();

// The separators of the current LC_NUMERIC locale, as UTF-8 where the locale's code set is. A
// locale without a thousands separator (the "C" locale) gives the empty text: none is accepted.
numbers::NumberFormat UserNumberFormat();

}  // namespace clickora::platform::posix
