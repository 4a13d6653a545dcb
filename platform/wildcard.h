#pragma once
// Matches a file name against a directory-search pattern the way Win32 does
// for long names: '*' any run of characters, '?' any one character, letters
// compared without regard to ASCII case.
bool MatchWildcard(const char *pattern, const char *name);
