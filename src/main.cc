// Entry point of the swu command: runs the command on the real platform
// and returns its exit status, cut to what a process status holds there
// (on POSIX a match count above 255 reads as 255, never wrapped; a Windows
// errorlevel holds the whole count).

#include "platform/platform.h"
#include "run/driver.h"
#include "run/exit_code.h"

int main(int argc, char** argv) {
  swu::Platform* platform = swu::Platform::Default();
  int64_t code = swu::RunCommand(argc, argv, platform);
  return swu::ProcessExitStatus(code, platform->LargestExitStatus());
}
