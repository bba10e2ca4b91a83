// Entry point on POSIX: the arguments are already the bytes the user typed.
#include "cli/uCliMain.h"

int main(int argc, char** argv) {
  return CliMain(std::vector<std::string>(argv, argv + argc));
}
