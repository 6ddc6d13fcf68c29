// The updater's one entry: chooses and runs the job that the command line asks for.
//
//   -unpackProduct DIR                         installs every delivered *.gz in DIR
//   -createShortcut -targetFilename T -shortcutFilename S   creates one shortcut
//
// "-unpackProduct" wins when both job switches stand. Nothing is reported, ever.
#pragma once

#include "platform/ce.h"

// `commandLine` is the text after the program's own path; null counts as empty.
void UpdaterMain(const WCHAR* commandLine);
