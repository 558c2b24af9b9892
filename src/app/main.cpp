// The main program: builds the built-in scenario into the folder that holds
// the executable, then ends.

#include "app/form1.h"
#include "platform/system_platform.h"

int main(int /*argc*/, char** argv) {
  SystemPlatform platform = SystemPlatform::for_executable(argv[0]);
  Form1 form(platform);
  form.Form_Load();  // ends the program itself
  return 0;
}
