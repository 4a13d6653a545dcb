#pragma once
// Forms the Windows command line of the process from its arguments: joined
// by single blanks, '/' shown as '\', an argument holding a blank or a tab
// wrapped in double quotes. Returns where the tail after the program starts.
#include <cstddef>

size_t RecordCommandLine(int argc, char **argv);
