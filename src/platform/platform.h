// Everything the program asks of the operating system, as one bundle of
// four interfaces, each in a header of its own: the files and directories
// (file_system.h, with the open file in file.h), the console (console.h),
// interruptions (interrupts.h) and the facts and rules of the system
// (system_rules.h). Only main.cc and run/ take the whole Platform; every
// other module takes the interfaces it uses, to which a Platform converts.
// Exactly one implementation is compiled: platform_posix.cc here,
// platform_win32.cc beside it on Windows.

#ifndef SWU_PLATFORM_PLATFORM_H_
#define SWU_PLATFORM_PLATFORM_H_

#include "platform/console.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/interrupts.h"
#include "platform/system_rules.h"

namespace swu {

class Platform : public FileSystem,
                 public Console,
                 public Interrupts,
                 public SystemRules {
 public:
  // The real platform; defined in platform_posix.cc or platform_win32.cc.
  static Platform* Default();
};

}  // namespace swu

#endif  // SWU_PLATFORM_PLATFORM_H_
