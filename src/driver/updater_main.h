// The updater's one entry: chooses and runs the job that the command line asks for.
//
//   -unpackProduct DIR                         installs every delivered *.gz in DIR
//   -createShortcut -targetFilename T -shortcutFilename S   creates one shortcut
//
// "-unpackProduct" wins when both job switches stand. Nothing is reported, ever; only
// pkgtool try adds the hidden `-observeTo FILE` to "-unpackProduct", for an account of
// the run written to the device file FILE (driver/observation_log.h).
#pragma once

#include "platform/ce.h"

// `commandLine` is the text after the program's own path; null counts as empty.
void UpdaterMain(const WCHAR* commandLine);
