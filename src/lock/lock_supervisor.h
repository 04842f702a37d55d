#pragma once
// Failing closed: while the desktop is locked a second process of the same program
// watches the locked one through a pipe. If the locked program ends without the right
// password (killed, crashed), X takes its windows and grabs away; the supervisor then
// covers every screen and takes the keyboard and the pointer again at once, and lets go
// only for the stored password. The right password or the lock's refusal ends it quietly.
//
// Protocol on the supervisor's standard input: "L" locked, "U" unlocked (it ends); the
// end of the input while locked means the program died.

class Form1;

namespace LockSupervisor {

// Starts a supervisor for this lock; it ends when the lock's right password is typed.
void watchOver(Form1& lock);

// The supervisor's first argument, and its main: the program's main runs it instead of
// itself when given that argument.
extern const char* const kArgument; // "--lock-supervisor"
int run(int argc, char* argv[]);

} // namespace LockSupervisor
