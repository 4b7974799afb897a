// A Wine of its own for the Windows programs on one host of a test (a
// network namespace, see netns.h). Wine's server makes the sockets of every
// program of its prefix, in the network it was started in, and the suite's
// shared server runs in the test's own network: a Windows program put on a
// host would still send and listen there. So a host gets a prefix of its own
// (the suite's, its drive's files linked rather than copied), whose server
// and session start inside the host. Nothing of the suite's shared server or
// prefix is touched; the object ends its server and every program in it, and
// removes the prefix.
#pragma once

#include <string>
#include <vector>

#include "support/child.h"
#include "support/temp_dir.h"

struct HostWine {
  TempDir folder;
  std::string network_namespace;
  std::string prefix;   // inside `folder`
  std::string failure;  // why it could not be readied; empty once it is

  // Readies the prefix and boots its session on host `network_namespace`:
  // Windows programs from the build named by TILEGAME_WINDOWS_BUILD.
  explicit HostWine(const std::string& network_namespace);
  ~HostWine();
  HostWine(const HostWine&) = delete;
  HostWine& operator=(const HostWine&) = delete;
  bool ok() const { return failure.empty(); }
};

// The command line of Windows program `name` (bin/<name>.exe) with `arguments`.
std::vector<std::string> HostWine_Program(const HostWine& wine, const std::string& name,
                                          const std::vector<std::string>& arguments);
// `options` for it: on the host, in this Wine's prefix.
ChildOptions HostWine_Options(const HostWine& wine, ChildOptions options);
