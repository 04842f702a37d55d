// Test helper: writes the password file "vtrpwd.sys" into a folder with the program's own
// writer, so that whole-program tests lock with a known password.
//   write_password_file FOLDER PASSWORD [QUESTION_LINE [NUMBER]]

#include "platform/program_folder.h"
#include "store/password_file.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: write_password_file FOLDER PASSWORD [REMIND [NUMBER]]\n";
        return 2;
    }
    setProgramFolder(argv[1]);
    const std::string remind = argc > 3 ? argv[3] : "What is your pet's name? = rex";
    const int number = argc > 4 ? std::atoi(argv[4]) : 0;
    const auto contents = passwordFileContents(argv[2], remind, static_cast<int16_t>(number));
    if (!contents)
        return 1;
    std::ofstream out(programFilePath(kPasswordFileName), std::ios::binary | std::ios::trunc);
    out << *contents;
    return out ? 0 : 1;
}
