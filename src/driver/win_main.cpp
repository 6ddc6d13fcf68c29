// The program's entry point: the platform hands over the command-line text, the updater
// does its one job, and the process exits with 0 whatever happened.
#include "driver/updater_main.h"
#include "platform/ce.h"

int WinMain(HINSTANCE /*instance*/, HINSTANCE /*previousInstance*/, LPWSTR commandLine,
            int /*showCommand*/) {
  UpdaterMain(commandLine);
  return 0;
}
