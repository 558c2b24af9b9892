// The main program: builds the built-in scenario into the folder that holds
// the program, or into the folder of its one optional argument (an installed
// program cannot write next to itself), then ends.
//
//   scenario-builder [FOLDER]

#include "app/main_program.h"
#include "platform/system.h"
#include "platform/system_platform.h"

int main(int argc, char** argv) {
  SystemPlatform platform = SystemPlatform::for_executable(argc > 0 ? argv[0] : nullptr);
  run_main_program(platform, os::utf8_arguments(argc, argv));
}
