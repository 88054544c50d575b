#pragma once
// velmora.exe's command line.

#include <string>

// The document named after "-open" among argv[1..argc-1]; empty when there is
// none. The shell may start the program through an unquoted path with blanks,
// which splits it over several arguments, so "-open" is searched for rather
// than expected in one position.
std::string FindDocumentArgument(int argc, char** argv);
