#pragma once
// Paths cross the seam in Windows form: '\' separates, and the stand-in turns
// it into '/' before the path reaches the system.
#include <string>

std::string PosixPath(const char *windowsPath);
// Shows a POSIX path in Windows form. False when the path holds a real
// backslash, which the Windows form cannot express.
bool WindowsPath(const char *posixPath, std::string *out);
// The folder a POSIX path names its last component in.
std::string DirectoryOf(const std::string &path);
