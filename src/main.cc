// Entry point of the swu command: runs the command on the real platform
// and returns its exit status, cut to the 8 bits a process status holds
// (a match count above 255 reads as 255, never wrapped).

#include "platform/platform.h"
#include "run/driver.h"
#include "run/exit_code.h"

int main(int argc, char **argv) {
  int64_t code = swu::RunCommand(argc, argv, swu::Platform::Default());
  return swu::ProcessExitStatus(code);
}
