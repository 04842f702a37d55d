// Prints what the program's own reader finds in a password file, for the whole-program
// tests: "ok" or "failed", then password, question and answer as hexadecimal bytes and
// the question number, one a line.
//   vtr_password_dump <path to vtrpwd.sys>

#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <cstdio>

int main(int argc, char** argv) {
    std::printf(argc == 2 && readPasswordFileAt(argv[1]) ? "ok\n" : "failed\n");
    for (const std::string* text :
         {&mdlGlobal::strPassword, &mdlGlobal::strQuestion, &mdlGlobal::strAnswer}) {
        for (const unsigned char byte : *text)
            std::printf("%02x", byte);
        std::printf("\n");
    }
    std::printf("%d\n", mdlGlobal::intQuestion);
}
