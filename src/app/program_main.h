#pragma once
#include <string>
#include <vector>

// Runs the program with its arguments (UTF-8, the program's own name left out)
// and gives the process exit status.
int program_main(const std::vector<std::string>& args);
