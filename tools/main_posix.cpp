// tarn-cli on POSIX systems: the arguments and the standard streams carry
// UTF-8 as they are.
#include <iostream>
#include <string>
#include <vector>

#include "tools/cli_app.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tarn::RunCli(args, std::cout, std::cerr);
}
