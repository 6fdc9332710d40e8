// wiper-render: renders the frames of a windscreen wiper's sweep.
#include <string>
#include <vector>

#include "app/program_main.h"

// On POSIX systems the arguments already arrive as the bytes of their names.
int main(int argc, char** argv) { return program_main(std::vector<std::string>(argv + 1, argv + argc)); }
