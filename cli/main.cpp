#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  return qg::cli::RunCli(qg::cli::Args(argv + 1, argv + argc), std::cout, std::cerr);
}
