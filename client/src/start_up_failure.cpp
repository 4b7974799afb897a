#include "start_up_failure.h"

#include "platform/console.h"
#include "platform/keys.h"

void StartUp_Fail(std::string_view line) {
  PrintLine(line);
  WaitForKey();
  EndProgram(-1);
}
