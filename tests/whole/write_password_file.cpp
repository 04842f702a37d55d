// Test helper: writes the password file "vtrpwd.sys" into a folder with the program's own
// writer, so that whole-program tests lock with a known password. Built for both
// programs, so each can be given a file the other wrote.
//   write_password_file FOLDER PASSWORD [REMIND NUMBER]
// REMIND is the whole second value (question, " = ", answer); the draws start afresh.

#include "password/password_save.h"
#include "platform/program_folder.h"
#include "store/password_file.h"

#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 5)
        return 2;
    setProgramFolder(argv[1]);
    const auto contents =
        argc == 5 ? passwordFileContents(argv[2], argv[3], static_cast<int16_t>(std::atoi(argv[4])))
                  : passwordFileContents(argv[2], "What is your pet's name? = rex", 0);
    return contents && replacePasswordFile(*contents) == platform::FileError::None ? 0 : 1;
}
