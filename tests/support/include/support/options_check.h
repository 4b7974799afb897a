// The command-line check every program's suite makes, written with
// GoogleTest's assertions (so only suites link it).
#pragma once

#include <string>
#include <vector>

// Program `name` (`binary`: this build's) ends with 2 for each of `bad`, its
// usage on standard error only, and --help prints "usage: <name>" and ends
// with 0.
void ExpectOptionsChecked(const std::string& name, const std::string& binary,
                          const std::vector<std::vector<std::string>>& bad);
