// The platform tests' part of the harness: the helper program they run as a
// child, on a pipe or a pseudo-terminal.
#pragma once

#include <string>
#include <vector>

#include "support/bmp.h"
#include "support/child.h"
#include "support/temp_dir.h"

// The helper program, run with `arguments`.
Child Child_Start(const std::vector<std::string>& arguments, ChildInput input,
                  bool close_stdout = false);
