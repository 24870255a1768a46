// SPDX-License-Identifier: MIT
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/file_bytes.h"

namespace tavrin::test_support {

/// What one run of the program left behind.
struct ProgramRun {
  int status = -1;  // the exit status; -1 when the shell could not run it
  std::string out;  // standard output
  std::string err;  // standard error
};

/// Runs `program` with `arguments`, words as a shell reads them, standard input read from
/// `input` and the outputs kept in `work` until they are read back. A run that has not
/// ended after two minutes is stopped (status 124), so that a hang fails its test.
inline ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                             const std::filesystem::path& input,
                             const std::filesystem::path& work) {
  const std::filesystem::path out = work / "out";
  const std::filesystem::path err = work / "err";
  const std::string command = "timeout 120 '" + program + "' " + arguments + " <'" +
                              input.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  ProgramRun run;
  if (raw != -1 && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  run.out = ReadFileBytes(out);
  run.err = ReadFileBytes(err);
  return run;
}

}  // namespace tavrin::test_support
