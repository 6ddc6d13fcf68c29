// The program's Windows entry point: hands WinMain the command-line text after the
// program's own path, as CE does, and exits with 0 whatever happens inside.
#include "platform/ce.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand) {
  WinMain(instance, previousInstance, commandLine, showCommand);
  return 0;
}
