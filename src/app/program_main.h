#pragma once
#include <string>
#include <vector>

#include "platform/standard_streams.h"

// Runs the program with its arguments (UTF-8, the program's own name left out)
// and gives the process exit status. All it prints goes through `streams`,
// which keep what standard output holds back until the caller flushes them.
int program_main(const std::vector<std::string>& args, wiper::StandardStreams& streams);
